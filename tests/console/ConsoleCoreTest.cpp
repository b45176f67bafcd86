#include "ConsoleCore.h"

#include "ProbeList.h"
#include "SimulatedProbe.h"
#include "WaitFor.h"
#include "core/Clock.h"
#include "journal/Journal.h"
#include "store/HistoryStore.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <map>

using namespace vimbo;

namespace {

ProbeEntry entryFor(const test::ProbeSimProcess& sim, std::size_t index, const char* label, const char* site)
{
    ProbeEntry entry{QString::fromUtf8(label), QString::fromUtf8(site), defaultProbeSettings()};
    entry.settings.agent = sim.host();
    entry.settings.port = sim.ports().at(index);
    entry.settings.timeout10ms = 100;  // a silent probe takes 2 s a cycle: far longer than the others' pause
    entry.settings.retries = 1;
    return entry;
}

std::unique_ptr<HistoryStore> openStore(const QString& path)
{
    auto opened = HistoryStore::open(path, HistoryStore::Mode::ReadOnly);
    EXPECT_TRUE(opened);
    return opened ? std::move(opened).value() : nullptr;
}

}  // namespace

TEST(ConsoleCore, pollsEveryProbeOnItsOwnCycleAndRecordsEachUnderItsOwnName)
{
    auto sim = test::startProbes(3, {"--silent-probes", "3", "--probe-flags", "2=0100"});
    ASSERT_TRUE(sim);
    QTemporaryDir folder;
    const QString history = folder.filePath(QStringLiteral("history.sqlite"));
    SystemClock clock;
    std::map<QString, std::vector<qint64>> completes;  // each probe's complete cycles' ends
    std::map<QString, std::vector<ProbeEvent>> found;
    ConsoleCore::Options options;
    options.history = history;
    options.pauseMs = 300;
    ConsoleCore core(clock,
                     {entryFor(*sim, 0, "quiet", "Kestrel Hill"), entryFor(*sim, 1, "alarmed", "Ashby Down"),
                      entryFor(*sim, 2, "silent", "Ashby Down")},
                     options,
                     {.cycleEnded = [&](const ProbeView& view, const std::vector<ProbeEvent>& events) {
                          if (view.state == ProbeState::Answering)
                              completes[view.id].push_back(QDateTime::currentMSecsSinceEpoch());
                          auto& all = found[view.id];
                          all.insert(all.end(), events.begin(), events.end());
                      }});
    core.start();
    ASSERT_TRUE(test::waitFor([&] { return core.view(QStringLiteral("silent"))->state == ProbeState::NeverAnswered; }, 10000));
    // Over the silent probe's next 2 s cycle, the others keep their 0.3 s pauses.
    completes.clear();
    ASSERT_TRUE(test::waitFor([&] { return completes["quiet"].size() >= 9 && completes["alarmed"].size() >= 9; }, 20000));
    for (const char* label : {"quiet", "alarmed"}) {
        const auto& ends = completes[label];
        for (std::size_t i = 1; i < ends.size(); ++i)
            EXPECT_LT(ends[i] - ends[i - 1], 1500) << label << " cycle " << i;
    }
    EXPECT_EQ(core.view(QStringLiteral("quiet"))->site, QStringLiteral("Kestrel Hill"));
    EXPECT_EQ(found["alarmed"], (std::vector<ProbeEvent>{{ProbeEvent::AlarmRose, 0}}));
    EXPECT_TRUE(found["quiet"].empty());
    EXPECT_EQ(core.journal(QStringLiteral("silent"))->state(), ProbeState::NeverAnswered);

    // The store says the same of each probe, under its own address, while the console watches.
    const auto store = openStore(history);
    ASSERT_TRUE(store);
    std::map<int, ProbeSummary> byPort;
    const auto states = [&] {
        byPort.clear();
        if (const auto probes = store->probes())
            for (const ProbeSummary& summary : probes.value())
                byPort[summary.probe.port] = summary;
        return byPort.size() == 3 ? QStringLiteral("%1/%2/%3")
                                        .arg(byPort[sim->ports()[0]].state, byPort[sim->ports()[1]].state,
                                             byPort[sim->ports()[2]].state)
                                  : QString();
    };
    EXPECT_TRUE(test::waitFor([&] { return states() == QStringLiteral("answering/answering/never answered"); }, 10000))
        << states().toStdString();
    core.stop();
    // A clean stop ends every watch: none is still watched.
    states();
    for (const auto& [port, summary] : byPort)
        EXPECT_TRUE(summary.notWatchedSince.has_value()) << port;
    const auto events = store->events({});
    ASSERT_TRUE(events);
    int alarms = 0;
    for (const JournalEvent& event : events.value())
        if (event.kind == EventKind::AlarmRose) {
            ++alarms;
            EXPECT_EQ(event.probe.port, sim->ports()[1]);
            EXPECT_EQ(event.slot, 0);
        }
    EXPECT_EQ(alarms, 1);
}

TEST(ConsoleCore, editsAreSavedToTheListFirstAndNothingChangesWhenTheyCannotBe)
{
    auto sim = test::startProbes(2);
    ASSERT_TRUE(sim);
    QTemporaryDir folder;
    const QString list = folder.filePath(QStringLiteral("vimbo/probes.conf"));
    SystemClock clock;
    int changes = 0;
    ConsoleCore::Options options;
    options.listPath = list;
    options.pauseMs = 200;
    ConsoleCore core(clock, {entryFor(*sim, 0, "first", "A")}, options, {.listChanged = [&] { ++changes; }});
    core.start();

    ASSERT_FALSE(core.addProbe(entryFor(*sim, 1, "second", "B")));
    ASSERT_TRUE(test::waitFor([&] { return core.view(QStringLiteral("second"))->state == ProbeState::Answering; }, 10000));
    auto read = readProbeList(list);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    ASSERT_EQ(read.probes.size(), 2u);
    EXPECT_EQ(read.probes[1].label, QStringLiteral("second"));
    EXPECT_EQ(read.probes[1].settings.port, sim->ports()[1]);

    // A label another probe has is refused, and nothing is written.
    const auto clash = core.editProbe(QStringLiteral("second"), entryFor(*sim, 1, "FIRST", "B"));
    ASSERT_TRUE(clash);
    EXPECT_TRUE(clash->contains(QStringLiteral("labelled FIRST"))) << clash->toStdString();
    EXPECT_EQ(readProbeList(list).probes[1].label, QStringLiteral("second"));

    ProbeEntry moved = entryFor(*sim, 1, "second-renamed", "C");
    ASSERT_FALSE(core.editProbe(QStringLiteral("second"), moved));
    EXPECT_EQ(core.view(QStringLiteral("second")), nullptr);
    ASSERT_NE(core.view(QStringLiteral("second-renamed")), nullptr);
    EXPECT_EQ(core.view(QStringLiteral("second-renamed"))->site, QStringLiteral("C"));
    read = readProbeList(list);
    ASSERT_EQ(read.probes.size(), 2u);
    EXPECT_EQ(read.probes[1].label, QStringLiteral("second-renamed"));
    EXPECT_EQ(read.probes[1].site, QStringLiteral("C"));

    ASSERT_FALSE(core.removeProbe(QStringLiteral("first")));
    EXPECT_EQ(core.poller(QStringLiteral("first")), nullptr);
    read = readProbeList(list);
    ASSERT_EQ(read.probes.size(), 1u);
    EXPECT_EQ(read.probes[0].label, QStringLiteral("second-renamed"));
    EXPECT_EQ(changes, 3);

    // A list that cannot be saved (a link planted at it) changes nothing.
    QFile::remove(list);
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("elsewhere")), list));
    EXPECT_TRUE(core.removeProbe(QStringLiteral("second-renamed")));
    EXPECT_TRUE(core.addProbe(entryFor(*sim, 0, "third", "D")));
    EXPECT_EQ(core.probes().size(), 1u);
    EXPECT_NE(core.poller(QStringLiteral("second-renamed")), nullptr);
    EXPECT_EQ(changes, 3);
}
