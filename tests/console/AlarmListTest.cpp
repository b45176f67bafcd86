// The console's one alarm list: the "Alarm history" window across the probes
// of the list, with their label and site, a probe filter, and acknowledgement.
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "WaitFor.h"
#include "Widgets.h"
#include "journal/Journal.h"
#include "journal/frmAlarmHistory.h"
#include "store/HistoryRecorder.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vimbo {
namespace {

CycleEnd cycle(std::vector<ProbeEvent> events, bool complete = true)
{
    CycleEnd end;
    end.outcome = complete ? CycleEnd::Complete : CycleEnd::Failed;
    end.state = complete ? ProbeState::Answering : ProbeState::Lost;
    end.snapshot.name = QStringLiteral("VIMBO-SIM");
    end.events = std::move(events);
    return end;
}

std::string row(const QTableWidget& table, int r, std::initializer_list<int> columns)
{
    QStringList cells;
    for (int c : columns)
        cells << table.item(r, c)->text();
    return cells.join(QStringLiteral(" | ")).toStdString();
}

TEST(AlarmList, showsEveryListedProbesEventsWithLabelAndSiteFiltersByProbeAndAcknowledges)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    test::FakeClock clock;
    test::FakeDialogs dialogs;
    const QString path = folder.filePath(QStringLiteral("history.sqlite"));
    // A recorder per probe on one store, as each probe has its own watch; the list reads through its own.
    HistoryRecorder recorder({.path = path}, clock, {}), kestrelStore({.path = path}, clock, {}),
        ashbyStore({.path = path}, clock, {}), strangerStore({.path = path}, clock, {});
    using K = ProbeEvent;
    PerSlot<QString> labels;
    labels[1] = QStringLiteral("(Ch22) 482.00MHz");
    labels[3] = QStringLiteral("(Ch40) 626.00MHz");

    // Three journals on one store; the third probe is another manager's.
    Journal kestrel(clock, &kestrelStore), ashby(clock, &ashbyStore), stranger(clock, &strangerStore);
    kestrel.started({"127.0.0.1", "", "", 100, 1, 16101});
    ashby.started({"127.0.0.1", "", "", 100, 1, 16102});
    stranger.started({"127.0.0.1", "", "", 100, 1, 16199});
    kestrel.cycleEnded(cycle({{K::AlarmRose, 1}}), labels);
    clock.advance(10);
    ashby.cycleEnded(cycle({{K::WarningRose, 3}}), labels);
    stranger.cycleEnded(cycle({{K::AlarmRose, 1}}), labels);
    clock.advance(10);
    ashby.cycleEnded(cycle({{K::WarningCleared, 3}}), labels);
    for (HistoryRecorder* store : {&kestrelStore, &ashbyStore, &strangerStore})
        store->waitForIdle();

    std::vector<frmAlarmHistory::ListedProbe> listed = {
        {QStringLiteral("kestrel-hill-1"), QStringLiteral("Kestrel Hill"), QStringLiteral("127.0.0.1"), 16101},
        {QStringLiteral("ashby-2"), QStringLiteral("Ashby"), QStringLiteral("127.0.0.1"), 16102},
    };
    frmAlarmHistory list(recorder, [&] { return listed; }, dialogs, clock, nullptr);
    list.show();
    auto* table = test::child<QTableWidget>(list, QStringLiteral("tblEvents"));
    const auto shows = [&](int rows) { return test::waitFor([&] { return table->rowCount() == rows; }, 5000); };
    ASSERT_TRUE(shows(3)) << table->rowCount();
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), QStringLiteral("Probe"));
    EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral("Site"));
    EXPECT_EQ(table->horizontalHeaderItem(5)->text(), QStringLiteral("Channel"));
    // What is still going on first, then newest first; the other manager's probe is not this list's.
    EXPECT_EQ(row(*table, 0, {1, 2, 3, 4, 5}),
              "kestrel-hill-1 | Kestrel Hill | alarm rose (active) | 2 | (Ch22) 482.00MHz");
    EXPECT_EQ(row(*table, 1, {1, 2, 4, 5}), "ashby-2 | Ashby | 4 | (Ch40) 626.00MHz");
    EXPECT_EQ(row(*table, 2, {1, 2, 4}), "ashby-2 | Ashby | 4");

    auto* probe = test::child<QComboBox>(list, QStringLiteral("cmbProbe"));
    EXPECT_EQ(probe->itemText(0), QStringLiteral("All probes"));
    EXPECT_EQ(probe->itemText(2), QStringLiteral("ashby-2 (Ashby)"));
    probe->setCurrentIndex(2);
    ASSERT_TRUE(shows(2));
    EXPECT_EQ(row(*table, 0, {1}), "ashby-2");
    probe->setCurrentIndex(1);
    ASSERT_TRUE(shows(1));
    EXPECT_EQ(row(*table, 0, {1}), "kestrel-hill-1");

    table->selectRow(0);
    auto* acknowledge = test::child<QPushButton>(list, QStringLiteral("btnAcknowledge"));
    ASSERT_TRUE(acknowledge->isEnabled());
    test::child<QLineEdit>(list, QStringLiteral("txtNote"))->setText(QStringLiteral("=cmd|' /C calc'!A0"));
    acknowledge->click();
    ASSERT_TRUE(test::waitFor([&] { return !list.shown().empty() && !list.shown()[0].ackUser.isEmpty(); }, 5000));
    EXPECT_EQ(list.shown()[0].ackUser, Journal::userName());
    EXPECT_EQ(list.shown()[0].ackNote, QStringLiteral("=cmd|' /C calc'!A0"));

    // The export names each row's probe as the list does, and no spreadsheet
    // runs a label or site someone typed as a formula.
    listed[1] = {QStringLiteral("=cmd|' /C calc'!A0"), QStringLiteral("@SUM(1+1),x"), QStringLiteral("127.0.0.1"), 16102};
    probe->setCurrentIndex(0);
    ASSERT_TRUE(shows(3));
    ASSERT_TRUE(test::waitFor([&] { return probe->itemData(2).toString() == listed[1].label; }, 5000));
    dialogs.fileAnswers.push_back(folder.filePath(QStringLiteral("alarms.csv")));
    test::child<QPushButton>(list, QStringLiteral("btnExport"))->click();
    QFile csv(folder.filePath(QStringLiteral("alarms.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('\n')).toStdString();  // a header, 3 rows, the last line's end
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("time,label,site,probe,probe name,kind,"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral(",kestrel-hill-1,Kestrel Hill,127.0.0.1:16101,"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral(",'=cmd|' /C calc'!A0,\"'@SUM(1+1),x\",127.0.0.1:16102,")))
        << lines[2].toStdString();

    // A probe removed from the list leaves the filter and the table.
    listed.pop_back();
    list.refresh();
    ASSERT_TRUE(shows(1));
    EXPECT_EQ(probe->count(), 2);
}

}  // namespace
}  // namespace vimbo
