// The console's detail view: the specified main window fed by the console's
// own poller, its chart filled from the store, and closed without ending the
// console.
#include "SnmpClient.h"
#include "chart/frmMeasChart.h"
#include "core/SnmpRequests.h"
#include "main/frmMain.h"
#include "poll/ProbePoller.h"
#include "store/HistoryRecorder.h"

#include "FakeClock.h"
#include "FakeDialogs.h"
#include "PollCycle.h"
#include "SimulatedProbe.h"
#include "WaitFor.h"
#include "Widgets.h"

#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

namespace vimbo {
namespace {

class DetailView : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));  // where CCIR.can is
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    test::FakeDialogs dialogs;
    test::FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(14, 5, 33), Qt::UTC)};
    std::vector<bool> writes;
    frmMain detail{dialogs, clock, SnmpClientComponent::inProcess(),
                   frmMain::OutsideFeed{[this](bool writing) { writes.push_back(writing); }}};
};

TEST_F(DetailView, showsWhatTheConsolesPollerReadsAndNeverPollsItself)
{
    auto sim = test::startSim();
    ASSERT_TRUE(sim);
    // The detail's own client is aimed at the probe too: a poll of its own would show in the request log.
    test::aim(detail.SnmpClient1(), *sim);
    detail.frmMain_Form_Load();
    auto* polling = test::child<QTimer>(detail, QStringLiteral("tmrVimboPollingAlarms"));
    EXPECT_FALSE(polling->isActive());
    EXPECT_TRUE(test::child<QToolButton>(detail, QStringLiteral("btnShowChart"))->isEnabled());

    zemtra::SnmpClient client;
    test::aim(client, *sim);
    SnmpRequests requests(client);
    int ended = 0;
    ProbePoller poller(requests, {[&](const ProbeReading& r) {
                                      detail.feedReading(r);
                                      return true;
                                  },
                                  [&](const CycleEnd& end) {
                                      detail.feedCycleEnd(end);
                                      ++ended;
                                  },
                                  [&] { detail.feedProbeChanged(); }});
    for (int cycle = 1; cycle <= 2; ++cycle) {
        ASSERT_TRUE(poller.tick());
        ASSERT_TRUE(test::runUntilIdle([&] { return ended < cycle; }));
        EXPECT_FALSE(polling->isActive()) << "a cycle's end must not start the detail's own polling";
    }
    EXPECT_EQ(sim->requests().size(), 100u);  // two cycles of 50, all the console's
    EXPECT_EQ(test::child<QLineEdit>(detail, QStringLiteral("txtVimboName"))->text(), QStringLiteral("VIMBO-SIM"));
    EXPECT_EQ(test::child<QLineEdit>(detail, QStringLiteral("txtLeds_0"))->text(), QStringLiteral("(Ch21) 474.00MHz"));
    EXPECT_FALSE(detail.pollFailed());

    // A configuration written from the detail pauses the console's poller meanwhile.
    detail.setWriting(true);
    detail.setWriting(false);
    EXPECT_EQ(writes, std::vector<bool>({true, false}));
}

TEST_F(DetailView, closingItLeavesTheConsoleRunning)
{
    detail.frmMain_Form_Load();
    detail.show();
    QEventLoop console;
    bool stillRunning = false;
    QTimer::singleShot(0, &detail, [&] { detail.close(); });
    QTimer::singleShot(300, &console, [&] {
        stillRunning = true;
        console.quit();
    });
    console.exec();
    EXPECT_TRUE(stillRunning) << "closing the detail ended the program's event loop";
    EXPECT_FALSE(detail.isVisible());
}

TEST_F(DetailView, itsChartShowsTheProbesLastBucketsFromTheStore)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    HistoryRecorder recorder({.path = folder.filePath(QStringLiteral("history.db"))}, clock, {});
    const ProbeKey probe{QStringLiteral("127.0.0.1"), 16101, QStringLiteral("VIMBO-SIM")};
    const ProbeKey other{QStringLiteral("127.0.0.1"), 16102, QStringLiteral("VIMBO-SIM")};
    const std::int64_t now = clock.now().toMSecsSinceEpoch();
    // Three buckets of this probe 15, 10 and 5 s ago, one of another probe and one older than two hours.
    for (int back : {15, 10, 5}) {
        BucketValues values;
        values.fill(std::numeric_limits<float>::quiet_NaN());
        values[0 * 3 + 0] = 40.0f + back;  // slot 1's power
        values[2 * 3 + 1] = 20.0f + back;  // slot 3's MER
        recorder.recordBucket(probe, {now - back * 1000, 0}, values, {});
    }
    BucketValues stray;
    stray.fill(99.0f);
    recorder.recordBucket(other, {now - 3000, 0}, stray, {});
    recorder.recordBucket(probe, {now - 3 * 3600 * 1000, 0}, stray, {});
    recorder.waitForIdle();

    detail.frmMain_Form_Load();
    detail.fillChartFromStore(recorder, probe);
    const MeasureHistory& history = detail.measChart().history();
    ASSERT_TRUE(test::waitFor([&] { return history.insertInd() == 3; }, 5000)) << history.insertInd();
    for (int bucket = 0; bucket < 3; ++bucket) {
        const int back = 15 - 5 * bucket;
        EXPECT_FLOAT_EQ(history.value(bucket, kPowerMagnitude, 0), 40.0f + back) << bucket;
        EXPECT_FLOAT_EQ(history.value(bucket, kMerMagnitude, 2), 20.0f + back) << bucket;
        EXPECT_FLOAT_EQ(history.value(bucket, kPowerMagnitude, 1), 0.0f) << "an unmeasured slot draws at zero";
        ASSERT_TRUE(history.closedAt(bucket));
        EXPECT_EQ(history.closedAt(bucket)->msecsSinceEpoch, now - back * 1000);
    }
}

}  // namespace
}  // namespace vimbo
