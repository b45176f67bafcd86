// vimbo-canplan: checks and makes channel-plan files (.can).

#include "channels/ChannelPlanCsv.h"
#include "channels/ChannelPlanFile.h"
#include "core/Dialogs.h"
#include "core/SafeFile.h"
#include "channels/clsChannelset.h"
#include "mib/DisplayFormat.h"
#include "mib/Scales.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <iostream>
#include <limits>
#include <set>
#include <string>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
const char* const kHeader = vimbo::kChannelPlanCsvHeader;

const char* const kUsage =
    "Usage: vimbo-canplan dump FILE.can\n"
    "       vimbo-canplan build IN.csv OUT.can\n"
    "       vimbo-canplan rules FILE.can\n"
    "dump prints the plan's channels as CSV (name,videoKHz,centreKHz), or the loader's error\n"
    "and exits 1. build writes a plan file from such CSV (lines starting with # and the header\n"
    "line are skipped; names up to 8 Latin-1 characters), with empty tables. rules prints\n"
    "Prometheus recording rules that name each alerting slot's channel as the manager shows it.\n";

// The loader's message boxes, on a terminal.
class ConsoleDialogs final : public vimbo::Dialogs {
public:
    vimbo::MessageAnswer showMessage(const QString&, const QString& text, vimbo::MessageIcon,
                                     vimbo::MessageButtons) override
    {
        std::cerr << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toStdString() << "\n";
        return vimbo::MessageAnswer::Ok;
    }
    std::optional<QString> openFileName(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QString> saveFileName(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

int dump(const QString& path)
{
    ConsoleDialogs dialogs;
    vimbo::clsChannelset plan(dialogs);
    plan.setChanFile(path);
    if (!plan.loadChanFile())
        return kExitFailed;
    std::cout << kHeader << "\n";
    for (const vimbo::ChannelPtr& channel : *plan.channelsCollection())
        std::cout << channel->ChName().toStdString() << ',' << channel->FreqVideoKHz() << ','
                  << channel->FreqCenterKHz() << "\n";
    return 0;
}

// A YAML double-quoted scalar: a plan's names are Latin-1 and may hold any byte.
std::string yamlQuoted(const QString& text)
{
    std::string out = "\"";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '\\')
            out += {'\\', static_cast<char>(u)};
        else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0)) {
            static const char* const digits = "0123456789ABCDEF";
            out += {'\\', 'x', digits[u >> 4], digits[u & 0xF]};
        } else
            out += QString(c).toStdString();
    }
    return out + "\"";
}

// One rule per frequency of the plan, in the plan's order: a slot's frequency
// names the first channel whose centre or video carrier it is, as the
// manager's lookup does. The probe gives Hz; the manager rounds them to kHz,
// halves to the even neighbour, which the bounds of each rule reproduce.
int rules(const QString& path)
{
    ConsoleDialogs dialogs;
    vimbo::clsChannelset plan(dialogs);
    plan.setChanFile(path);
    if (!plan.loadChanFile())
        return kExitFailed;
    std::cout << "# Made by vimbo-canplan rules from " << QFileInfo(path).fileName().toStdString()
              << ": each alerting slot's channel, as\n"
                 "# vimboManager shows it, for the alerts' texts (vimbo-alerts.yml). Value: the frequency in Hz.\n"
                 "groups:\n"
                 "  - name: vimbo-channels\n"
                 "    rules:\n";
    std::set<std::int64_t> named;
    for (const vimbo::ChannelPtr& channel : *plan.channelsCollection())
        for (const std::int64_t kHz : {std::int64_t{channel->FreqCenterKHz()}, std::int64_t{channel->FreqVideoKHz()}}) {
            if (!named.insert(kHz).second)
                continue;
            const bool even = kHz % 2 == 0;
            const QString text = QStringLiteral("(Ch") + channel->ChName() + QStringLiteral(") ") +
                                 vimbo::mib::formatMHz(vimbo::mib::mhzFromHz(kHz * 1000.0), QLocale::c());
            std::cout << "      - record: instance_slot:vimbo_channel:info\n"
                      << "        expr: instance_slot:vimbo_frequency_hz:kept " << (even ? ">= " : "> ") << kHz * 1000 - 500
                      << (even ? " <= " : " < ") << kHz * 1000 + 500 << "\n"
                      << "        labels:\n"
                      << "          channel: " << yamlQuoted(text) << "\n";
        }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "vimbo-canplan: the rules could not be written\n";
        return kExitFailed;
    }
    return 0;
}

int build(const QString& csvPath, const QString& canPath)
{
    QFile csv(csvPath);
    if (!csv.open(QIODevice::ReadOnly)) {
        std::cerr << "vimbo-canplan: " << csvPath.toStdString() << ": " << csv.errorString().toStdString() << "\n";
        return kExitFailed;
    }
    const vimbo::ChannelPlanCsvRead read = vimbo::readChannelPlanCsv(csv.readAll());
    if (read.badLine != 0) {
        std::cerr << "vimbo-canplan: " << csvPath.toStdString() << ":" << read.badLine
                  << ": expected NAME,VIDEO_KHZ,CENTRE_KHZ with a name of 1 to 8 Latin-1 characters and "
                     "32-bit frequencies\n";
        return kExitFailed;
    }
    const std::vector<vimbo::ChannelRecord>& channels = read.channels;
    if (channels.empty() || channels.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
        std::cerr << "vimbo-canplan: a plan holds 1 to 32767 channels, " << csvPath.toStdString() << " has "
                  << channels.size() << "\n";
        return kExitFailed;
    }
    const QByteArray plan = vimbo::writeChannelPlan(channels);
    if (const auto failure = vimbo::writeFileSafely(canPath, [&](QIODevice& out) { return out.write(plan) == plan.size(); })) {
        std::cerr << "vimbo-canplan: " << canPath.toStdString() << ": " << failure->toStdString() << "\n";
        return kExitFailed;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.size() == 1 && args[0] == QLatin1String("--help")) {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == QLatin1String("--version")) {
        std::cout << "vimbo-canplan " VIMBO_VERSION "\n";
        return 0;
    }
    if (args.size() == 2 && args[0] == QLatin1String("dump"))
        return dump(args[1]);
    if (args.size() == 2 && args[0] == QLatin1String("rules"))
        return rules(args[1]);
    if (args.size() == 3 && args[0] == QLatin1String("build"))
        return build(args[1], args[2]);
    std::cerr << kUsage;
    return kExitUsage;
}
