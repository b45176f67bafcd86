#include "ChannelPlanCsv.h"

#include <QString>
#include <QStringList>

#include <limits>
#include <optional>

namespace vimbo {

namespace {

std::optional<std::int32_t> parseKHz(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

bool isLatin1(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

}  // namespace

ChannelPlanCsvRead readChannelPlanCsv(const QByteArray& bytes)
{
    ChannelPlanCsvRead read;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.trimmed() == QLatin1String(kChannelPlanCsvHeader))
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        const QString name = fields.value(0).trimmed();
        const auto video = parseKHz(fields.value(1));
        const auto centre = parseKHz(fields.value(2));
        // The file pads names with spaces, so a NUL could not be told from its end.
        if (fields.size() != 3 || name.isEmpty() || name.size() > kChannelNameBytes || !isLatin1(name) ||
            name.contains(QChar(0)) || !video || !centre) {
            read.badLine = static_cast<int>(i + 1);
            return read;
        }
        read.channels.push_back({name, *video, *centre});
    }
    return read;
}

}  // namespace vimbo
