// vimbo-wall-preview: the wall over probes on a range of loopback ports,
// polled as the console polls them, until vimbo-console shows its own list.
// For looking at the wall and its detail view, and taking their pictures: no
// store, no journal.
#include "ProbeView.h"
#include "WallWindow.h"
#include "channels/ChannelPlanFile.h"
#include "channels/channelsCollection.h"
#include "core/Clock.h"
#include "main/frmMain.h"
#include "platform/QtDialogs.h"
#include "poll/ProbePoller.h"
#include "SnmpSessions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QPointer>
#include <QHostAddress>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace vimbo;

struct Probe {
    ProbeView view;
    ClientSettings settings;
    QPointer<frmMain> detail;  // while the operator has it open
    std::unique_ptr<SessionTransport> transport;
    std::unique_ptr<ProbePoller> poller;
};

std::shared_ptr<const channelsCollection> loadPlan(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const ChannelPlanRead read = readChannelPlan(file);
    if (!read.ok)
        return nullptr;
    auto plan = std::make_shared<channelsCollection>();
    for (const ChannelRecord& channel : read.channels)
        plan->Add(channel.name, channel.videoKHz, channel.centreKHz);
    return plan;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The console's wall over simulated probes on loopback ports."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("ports"), QStringLiteral("The probes' ports."), QStringLiteral("FIRST-LAST")});
    parser.addOption({QStringLiteral("agent"), QStringLiteral("A loopback address (default 127.0.0.1)."),
                      QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1")});
    parser.addOption({QStringLiteral("sites"), QStringLiteral("Spread the probes over N sites (default 3)."),
                      QStringLiteral("N"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("plan"), QStringLiteral("The channel plan (default CCIR.can)."),
                      QStringLiteral("FILE"), QStringLiteral("CCIR.can")});
    parser.addOption({QStringLiteral("open"), QStringLiteral("Open this probe's detail at the start."), QStringLiteral("LABEL")});
    parser.process(app);
    const QStringList range = parser.value(QStringLiteral("ports")).split(QLatin1Char('-'));
    bool firstOk = false, lastOk = false;
    const int first = range.value(0).toInt(&firstOk);
    const int last = range.size() == 2 ? range.value(1).toInt(&lastOk) : first;
    const QString agent = parser.value(QStringLiteral("agent"));
    const int sites = std::max(1, parser.value(QStringLiteral("sites")).toInt());
    if (!firstOk || (range.size() == 2 && !lastOk) || first < 1 || last > 65535 || last < first || last - first >= 1000) {
        std::fputs("vimbo-wall-preview: --ports FIRST-LAST, at most 1000 ports\n", stderr);
        return 2;
    }
    // A preview never polls a real probe.
    if (!QHostAddress(agent).isLoopback()) {
        std::fputs("vimbo-wall-preview: --agent must be a loopback address\n", stderr);
        return 2;
    }
    const ChannelLabeler label = planLabeler(loadPlan(parser.value(QStringLiteral("plan"))));
    static const char* const kSites[] = {"Kestrel Hill", "Ashby Down", "Marram Point", "Tollgate", "Wexcombe"};

    SystemClock clock;
    QtDialogs dialogs;
    SnmpSessions sessions;  // before the probes: their transports close their channels in it
    std::vector<std::unique_ptr<Probe>> probes;
    WallWindow::Handlers handlers;
    // A tile opens the probe in the main window, fed by this program's poller.
    handlers.open = [&](const QString& id) {
        for (auto& probe : probes) {
            if (probe->view.id != id)
                continue;
            if (!probe->detail) {
                Probe* raw = probe.get();
                probe->detail = new frmMain(dialogs, clock, SnmpClientComponent::inProcess(),
                                            frmMain::OutsideFeed{[raw](bool writing) { raw->poller->setWriting(writing); }});
                probe->detail->setAttribute(Qt::WA_DeleteOnClose);
                probe->settings.applyTo(probe->detail->SnmpClient1());
                probe->detail->frmMain_Form_Load();
            }
            probe->detail->show();
            probe->detail->raise();
        }
    };
    WallWindow wall(clock, handlers);
    for (int port = first; port <= last; ++port) {
        auto probe = std::make_unique<Probe>();
        const int index = port - first;
        const QString site = QString::fromLatin1(kSites[index % std::min(sites, 5)]);
        probe->view = freshView(QStringLiteral("probe-%1").arg(index + 1, 3, 10, QLatin1Char('0')), site,
                                probeAddress(agent, port));
        ClientSettings settings{agent.toStdString(), "tavelo", "kiminar", 100, 1, static_cast<std::uint16_t>(port)};
        probe->settings = settings;
        probe->transport = std::make_unique<SessionTransport>(sessions, settings);
        Probe* raw = probe.get();
        probe->poller = std::make_unique<ProbePoller>(
            *probe->transport,
            ProbePoller::Handlers{[raw](const ProbeReading& reading) {
                                      if (raw->detail)
                                          raw->detail->feedReading(reading);
                                      return true;
                                  },
                                  [raw, &wall, &clock, &label](const CycleEnd& end) {
                                      if (raw->detail)
                                          raw->detail->feedCycleEnd(end);
                                      raw->view = nextView(raw->view, end, clock.now().toMSecsSinceEpoch(), label);
                                      wall.cycleEnded(raw->view, end.events);
                                      // 3 s from the end of one cycle to the start of the next.
                                      QTimer::singleShot(3000, raw->poller.get(), [raw] { raw->poller->tick(); });
                                  },
                                  {}});
        wall.showView(probe->view);
        probes.push_back(std::move(probe));
    }
    for (auto& probe : probes)
        probe->poller->tick();
    wall.resize(app.primaryScreen()->availableSize());
    wall.show();
    if (parser.isSet(QStringLiteral("open")))
        handlers.open(parser.value(QStringLiteral("open")));
    const int code = app.exec();
    for (auto& probe : probes)
        delete probe->detail.data();  // before the poller it pauses
    return code;
}
