// The journal from the poller's findings, and the "Alarm history" window
// through the real main window against the simulator.
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "PollCycle.h"
#include "SimulatedProbe.h"
#include "WaitFor.h"
#include "Widgets.h"
#include "SnmpClient.h"
#include "journal/Journal.h"
#include "journal/frmAlarmHistory.h"
#include "main/frmMain.h"
#include "store/HistoryRecorder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vimbo {
namespace {

// A failed cycle of a probe that answered before is Lost; `state` says otherwise.
CycleEnd cycle(bool complete, std::vector<ProbeEvent> events, std::optional<ProbeState> state = std::nullopt)
{
    CycleEnd end;
    end.outcome = complete ? CycleEnd::Complete : CycleEnd::Failed;
    end.state = state.value_or(complete ? ProbeState::Answering : ProbeState::Lost);
    end.snapshot.name = QStringLiteral("KESTREL");
    end.snapshot.slotValues[2] = {true, 578000, 50.5, 30.25, 2e-7, {}, {}};
    end.events = std::move(events);
    return end;
}

std::vector<JournalEvent> oldestFirst(HistoryRecorder& recorder, const QString& path)
{
    recorder.waitForIdle();
    auto events = HistoryStore::open(path, HistoryStore::Mode::ReadOnly).value()->events({}).value();
    std::reverse(events.begin(), events.end());
    return events;
}

TEST(Journal, tellsWhatThePollerFoundWithTheProbeTheSlotItsChannelAndTheCyclesValues)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("history.sqlite"));
    test::FakeClock clock;
    HistoryRecorder recorder({path, {}}, clock, {});
    Journal journal(clock, &recorder);
    PerSlot<QString> labels;
    labels[2] = QStringLiteral("(Ch34) 578.00MHz");
    using K = ProbeEvent;

    journal.started({"127.0.0.1", "", "", 100, 1, 16161});
    EXPECT_EQ(journal.stateText(), QStringLiteral("waiting for the first answer"));
    journal.cycleEnded(cycle(false, {{K::ProbeLost}}, ProbeState::NeverAnswered), labels);
    EXPECT_EQ(journal.stateText(), QStringLiteral("never answered"));
    clock.advance(30);
    journal.cycleEnded(cycle(true, {{K::AlarmRose, 2}, {K::WarningRose, 2}, {K::ProbeBack}}), labels);
    EXPECT_EQ(journal.stateText(), QStringLiteral("answering"));
    clock.advance(60);
    // A failed cycle's clear: the values it holds were never read in it.
    journal.cycleEnded(cycle(false, {{K::WarningCleared, 2}, {K::ProbeLost}}), labels);
    EXPECT_EQ(journal.stateText(), QStringLiteral("lost since 14:07"));
    clock.advance(9);
    journal.cycleEnded(cycle(true, {{K::AlarmRose, 0}, {K::AlarmCleared, 2}, {K::ProbeBack}}), labels);
    journal.saveEnded(false, 5, 28);
    journal.agentChanged({"127.0.0.2", "", "", 100, 1, 161});
    EXPECT_EQ(journal.probe(), (ProbeKey{QStringLiteral("127.0.0.2"), 161, {}}));
    // And back: slot 1's alarm, still lit, is the same record across the time away.
    clock.advance(20);
    journal.agentChanged({"127.0.0.1", "", "", 100, 1, 16161});
    journal.cycleEnded(cycle(true, {{K::AlarmRose, 0}}), labels);

    const auto events = oldestFirst(recorder, path);
    QStringList kinds;
    for (const JournalEvent& e : events)
        kinds << eventKindText(e.kind) + QLatin1Char(' ') + QString::number(e.slot + 1) + QLatin1Char(' ') + e.probe.name;
    EXPECT_EQ(kinds, (QStringList{"never answered 0 ", "alarm rose 3 KESTREL", "warning rose 3 KESTREL",
                                  "probe back 0 ", "warning cleared 3 KESTREL", "probe lost 0 KESTREL",
                                  "alarm rose 1 KESTREL", "alarm cleared 3 KESTREL", "probe back 0 KESTREL",
                                  "save 0 KESTREL", "agent changed 0 KESTREL", "agent changed 0 "}));
    ASSERT_EQ(events.size(), 12u);
    const JournalEvent& rise = events[1];
    EXPECT_EQ(rise.channel, labels[2]);
    EXPECT_EQ(rise.power, 50.5);
    EXPECT_EQ(rise.mer, 30.25);
    EXPECT_EQ(rise.vber, 2e-7);
    EXPECT_EQ(isoTimeWithOffset(rise.time).left(19), QStringLiteral("2026-12-06T14:06:03"));
    EXPECT_EQ(events[3].durationMsecs, 30'000);  // back from never answering
    EXPECT_EQ(events[4].durationMsecs, 60'000);
    EXPECT_EQ(events[4].channel, labels[2]);
    EXPECT_FALSE(events[4].power.has_value());   // a failed cycle has no values
    EXPECT_FALSE(events[4].vber.has_value());
    EXPECT_EQ(events[7].durationMsecs, 69'000);  // the alarm, rise to clear
    EXPECT_TRUE(events[6].active);
    EXPECT_EQ(events[6].gaps, 1);
    EXPECT_EQ(events[9].detail, QStringLiteral("stopped after 5 of 28 values"));
    EXPECT_EQ(events[10].detail, QStringLiteral("to 127.0.0.2:161"));
    EXPECT_EQ(events[11].detail, QStringLiteral("to 127.0.0.1:16161"));
}

TEST(AlarmHistoryWithoutAStore, saysSoAndShowsTheProbesStateAlone)
{
    test::FakeClock clock;
    test::FakeDialogs dialogs;
    Journal journal(clock);
    journal.started({"127.0.0.1", "", "", 100, 1, 16161});
    journal.cycleEnded(cycle(false, {{ProbeEvent::ProbeLost}}, ProbeState::NeverAnswered), {});
    frmAlarmHistory window(journal, dialogs, clock, nullptr);
    window.show();
    EXPECT_EQ(test::child<QLabel>(window, "lblProbeState")->text(),
              QStringLiteral("Probe at 127.0.0.1:16161: never answered. No history is being recorded."));
    EXPECT_EQ(test::child<QTableWidget>(window, "tblEvents")->rowCount(), 0);

    // A name with markup is shown as the probe sent it.
    CycleEnd named = cycle(true, {{ProbeEvent::ProbeBack}});
    named.snapshot.name = QStringLiteral("<b>ALL CLEAR</b>");
    journal.cycleEnded(named, {});
    window.hide();
    window.show();
    auto* state = test::child<QLabel>(window, "lblProbeState");
    EXPECT_TRUE(state->text().startsWith(QStringLiteral("<b>ALL CLEAR</b> at 127.0.0.1:16161: "))) << state->text().toStdString();
    EXPECT_EQ(state->textFormat(), Qt::PlainText);
}

class AlarmHistoryWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));
        QFile flags(folder.filePath(QStringLiteral("probe.txt")));
        ASSERT_TRUE(flags.open(QIODevice::WriteOnly));
        flags.write(QByteArray::fromStdString(test::kProbeRoot + ".1.4.0 2101\n"));  // slot 1: both lamps; slot 6: alarm
        flags.close();
        sim = test::startSim({"--static", flags.fileName().toStdString()});
        ASSERT_TRUE(sim);
        test::aim(window.SnmpClient1(), *sim);
        window.setRecorder(&recorder);
        window.frmMain_Form_Load();
        ASSERT_TRUE(test::pollCycle(window));
        recorder.waitForIdle();
        // Opened from the Surveillance menu's last item.
        const auto actions = test::child<QMenu>(window, "menuSurveillance")->actions();
        ASSERT_EQ(actions.back()->text(), QStringLiteral("Alarm &history"));
        actions.back()->trigger();
        history = window.alarmHistory();
        ASSERT_TRUE(history && history->isVisible());
        table = test::child<QTableWidget>(*history, "tblEvents");
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }
    bool shows(std::size_t rows)
    {
        return test::waitFor([&] { return history->shown().size() == rows; }, 5000);
    }

    QTemporaryDir folder;
    test::FakeDialogs dialogs;
    test::FakeClock clock{QDateTime::currentDateTime()};
    HistoryRecorder recorder{{folder.filePath(QStringLiteral("history.sqlite")), {}}, clock, {}};
    std::unique_ptr<test::ProbeSimProcess> sim;
    frmMain window{dialogs, clock};
    frmAlarmHistory* history = nullptr;
    QTableWidget* table = nullptr;
};

TEST_F(AlarmHistoryWindow, listsTheActiveOnTopWithTheProbesStateFiltersAcknowledgesAndExports)
{
    ASSERT_TRUE(shows(3));
    EXPECT_EQ(test::child<QLabel>(*history, "lblProbeState")->text(),
              QStringLiteral("VIMBO-SIM at 127.0.0.1:%1: answering").arg(sim->port()));
    // Slot 6's alarm, the last one told, comes first.
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("alarm rose (active)"));
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("6"));
    EXPECT_EQ(table->item(0, 6)->text(), QString());  // not surveyed: no power
    EXPECT_EQ(table->item(0, 0)->background().color(), QColor(255, 205, 205));
    EXPECT_EQ(table->item(1, 0)->background().color(), QColor(255, 240, 190));  // slot 1's warning
    EXPECT_EQ(table->item(2, 4)->text(), QStringLiteral("(Ch21) 474.00MHz"));
    EXPECT_EQ(table->item(2, 6)->text(), QStringLiteral("52.00"));  // its power then

    // A clear moves its rise below what is still active.
    recorder.recordEvent({0, window.journal().probe(), {QDateTime::currentMSecsSinceEpoch(), 0}, EventKind::AlarmCleared, 5});
    history->refresh();
    ASSERT_TRUE(shows(4));
    QStringList order;
    for (const JournalEvent& e : history->shown())
        order << eventKindText(e.kind) + QLatin1Char(' ') + QString::number(e.slot + 1);
    EXPECT_EQ(order, (QStringList{"warning rose 1", "alarm rose 1", "alarm cleared 6", "alarm rose 6"}));

    test::child<QComboBox>(*history, "cmbSlot")->setCurrentIndex(6);
    ASSERT_TRUE(shows(2));
    test::child<QComboBox>(*history, "cmbSlot")->setCurrentIndex(0);
    test::child<QComboBox>(*history, "cmbKind")->setCurrentIndex(2);  // warnings
    ASSERT_TRUE(shows(1));
    test::child<QComboBox>(*history, "cmbKind")->setCurrentIndex(0);
    ASSERT_TRUE(shows(4));

    auto* acknowledge = test::child<QPushButton>(*history, "btnAcknowledge");
    table->selectRow(2);  // a clear: nothing to acknowledge
    EXPECT_FALSE(acknowledge->isEnabled());
    table->selectRow(1);
    ASSERT_TRUE(acknowledge->isEnabled());
    test::child<QLineEdit>(*history, "txtNote")->setText(QStringLiteral("-> crew on the way"));
    acknowledge->click();
    ASSERT_TRUE(test::waitFor([&] { return !history->shown()[1].ackUser.isEmpty(); }, 5000));
    EXPECT_EQ(history->shown()[1].ackUser, Journal::userName());
    EXPECT_EQ(history->shown()[1].ackNote, QStringLiteral("-> crew on the way"));
    EXPECT_TRUE(history->shown()[1].ackTime.has_value());
    EXPECT_EQ(table->item(1, 9)->text(), Journal::userName());
    EXPECT_TRUE(history->shown()[0].ackUser.isEmpty());

    const QString csv = folder.filePath(QStringLiteral("journal.csv"));
    dialogs.fileAnswers.push_back(csv);
    test::child<QPushButton>(*history, "btnExport")->click();
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(exported.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[2].contains(QStringLiteral(",alarm rose,1,(Ch21) 474.00MHz,,") + Journal::userName() +
                                  QStringLiteral(",'-> crew on the way,52,")))  // no spreadsheet formula
        << lines[2].toStdString();

    // A second acknowledgement is kept beside the first, and both are shown.
    table->selectRow(1);
    test::child<QLineEdit>(*history, "txtNote")->setText(QStringLiteral("fixed"));
    acknowledge->click();
    ASSERT_TRUE(test::waitFor([&] { return history->shown()[1].acknowledgements.size() == 2; }, 5000));
    const auto& acks = history->shown()[1].acknowledgements;
    EXPECT_EQ(table->item(1, 9)->text(), Journal::userName() + QStringLiteral(", ") + Journal::userName());
    const QString clock = [](const BucketTime& t) { return isoTimeWithOffset(t).mid(11, 8); }(acks[0].time);
    EXPECT_TRUE(table->item(1, 10)->text().startsWith(clock + QLatin1Char(' ') + Journal::userName() +
                                                      QStringLiteral(": -> crew on the way; ")))
        << table->item(1, 10)->text().toStdString();
    EXPECT_TRUE(table->item(1, 10)->text().endsWith(Journal::userName() + QStringLiteral(": fixed")));
}

}  // namespace
}  // namespace vimbo
