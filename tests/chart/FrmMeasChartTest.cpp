#include "FakeClock.h"
#include "FakeDialogs.h"
#include "TestFiles.h"
#include "WaitFor.h"
#include "MainStandIn.h"
#include "chart/ChartControl.h"
#include "chart/frmMeasChart.h"
#include "chart/HistoryCsv.h"
#include "Widgets.h"

#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGraphicsTextItem>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

#include <sys/resource.h>

#include <csignal>

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::waitFor;
using vimbo::test::FakeClock;
using vimbo::test::MainStandIn;
using vimbo::test::FakeDialogs;

namespace {

class MeasChartWindow : public testing::Test {
protected:
    void SetUp() override
    {
        clock.setSecond(1);
        chart.frmMeasChart_Form_Load();
    }
    QCheckBox* channelBox(int i) { return test::child<QCheckBox>(chart, QStringLiteral("chkChannel_%1").arg(i)); }
    QScrollBar* scroll() { return test::child<QScrollBar>(chart, QStringLiteral("scrollTime")); }
    const VariantGrid& grid() { return chart.chart().chartData(); }
    // The value axis's labels as the widget draws them, bottom to top.
    QStringList valueLabels()
    {
        chart.show();
        QCoreApplication::processEvents();  // lays the chart out
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // a replaced axis's labels
        auto* view = chart.findChild<QChartView*>();
        std::vector<std::pair<qreal, QString>> labels;
        for (QGraphicsItem* item : view->scene()->items())
            if (auto* text = dynamic_cast<QGraphicsTextItem*>(item); text && text->isVisible() &&
                !text->toPlainText().isEmpty() && text->sceneBoundingRect().right() <= view->chart()->plotArea().left())
                labels.emplace_back(-text->sceneBoundingRect().center().y(), text->toPlainText());
        std::sort(labels.begin(), labels.end());
        QStringList texts;
        for (const auto& label : labels)
            texts << label.second;
        return texts;
    }
    // Five seconds on, one measure set: the slot before closes and is appended.
    void addSlot(float value)
    {
        clock.advance(5);
        Measures m{};
        for (auto& magnitude : m)
            magnitude.fill(value);
        m[0][1] = value + 100;  // channel 1's power stands apart
        chart.addMeasure(m);
    }

    FakeClock clock;
    MainStandIn main;
    FakeDialogs dialogs;
    frmMeasChart chart{main, clock, dialogs};
};

}  // namespace

TEST_F(MeasChartWindow, timerCopiesLabelsAndGivesBackBoxesItUncheckedButNotTheOperators)
{
    main.surveyed.fill(false);  // before the first poll nothing is surveyed
    chart.frmMeasChart_tmr5s_Timer();
    EXPECT_EQ(channelBox(0)->text(), QStringLiteral("(Ch21) 474.00MHz"));
    EXPECT_EQ(channelBox(5)->text(), QStringLiteral("d"));
    EXPECT_EQ(chart.checkedChannels(), (ChannelMask{}));
    EXPECT_FALSE(channelBox(3)->isEnabled());

    main.surveyed = {true, true, true, true, false, false};
    chart.frmMeasChart_tmr5s_Timer();
    EXPECT_EQ(chart.checkedChannels(), (ChannelMask{true, true, true, true, false, false}));
    EXPECT_FALSE(chart.chart().seriesHidden(1));
    EXPECT_TRUE(chart.chart().seriesHidden(5));
    EXPECT_FALSE(channelBox(4)->isEnabled());

    channelBox(1)->click();  // the operator's choice stays
    main.surveyed[4] = true;
    chart.frmMeasChart_tmr5s_Timer();
    EXPECT_EQ(chart.checkedChannels(), (ChannelMask{true, false, true, true, true, false}));
}

TEST_F(MeasChartWindow, slotClockRunsOnItsOwnTimer)
{
    clock.setSecond(4);  // the slot open since load ends at second 3
    EXPECT_TRUE(waitFor([&] { return chart.history().insertInd() == 1; }, 3000));
    clock.setSecond(8);
    EXPECT_TRUE(waitFor([&] { return chart.history().insertInd() == 2; }, 3000));
}

TEST_F(MeasChartWindow, axisScalesFromTheMarginsOnAppendAndAlwaysShowsLabels)
{
    const auto add = [&](float power, float vber) {
        clock.advance(5);
        Measures m{};
        m[0].fill(power);
        m[2].fill(vber);
        chart.addMeasure(m);
    };
    add(50, 3e-7f);  // the load's slot closes empty
    EXPECT_TRUE(chart.chart().autoScale());
    add(150, 4.5e-7f);  // an append scales from the margins
    EXPECT_FALSE(chart.chart().autoScale());
    EXPECT_EQ(chart.chart().drawnRange(), (std::pair<double, double>{45, 55}));
    EXPECT_EQ(valueLabels().front(), QStringLiteral("45"));
    EXPECT_EQ(valueLabels().back(), QStringLiteral("55"));

    // VBER inside one decade still has labelled values.
    add(150, 4.5e-7f);
    auto* magnitude = test::child<QComboBox>(chart, QStringLiteral("cmbMagnitude"));
    magnitude->setCurrentIndex(2);
    EXPECT_EQ(valueLabels(), QStringList({"1e-07", "1e-06"}));
    magnitude->setCurrentIndex(0);  // and back to a linear axis over both slots
    EXPECT_EQ(valueLabels().front(), QStringLiteral("50"));

    // Margins that count nothing leave the range to the chart, not to ±3.4E38.
    for (int i = 0; i < 6; ++i)
        channelBox(i)->setChecked(false);
    chart.redrawChart();
    EXPECT_TRUE(chart.chart().autoScale());
    EXPECT_LE(chart.chart().drawnRange().second, 1.0);
    for (const QString& label : valueLabels())
        EXPECT_LE(label.size(), 6) << label.toStdString();
}

TEST_F(MeasChartWindow, closingFromTheTitleBarOnlyHides)
{
    chart.show();
    ASSERT_TRUE(chart.windowHandle());
    chart.windowHandle()->close();
    EXPECT_FALSE(chart.isVisible());
    EXPECT_EQ(main.focusTaken, 1);
    chart.show();
    EXPECT_TRUE(chart.isVisible());
}

// ---- the chart ---------------------------------------------------------------

TEST_F(MeasChartWindow, loadShowsLabelsOnlyAndAppendedSlotsFillTheNewestRowsAsARebuildWould)
{
    EXPECT_EQ(std::tuple(scroll()->maximum(), scroll()->value(), scroll()->singleStep(), scroll()->pageStep()),
              std::tuple(1380, 1380, 10, 50));
    EXPECT_EQ(grid().at(0, 6), zemtra::Variant("C6"));
    EXPECT_EQ(grid().at(60, 0), zemtra::Variant("14:05.01"));
    // Each row above: the bucket clock's closes before it, 13 a minute.
    EXPECT_EQ(grid().at(59, 0), zemtra::Variant("14:05.00"));
    EXPECT_EQ(grid().at(58, 0), zemtra::Variant("14:04.58"));
    EXPECT_EQ(grid().at(57, 0), zemtra::Variant("14:04.53"));
    EXPECT_EQ(grid().at(1, 0), zemtra::Variant("14:00.33"));
    for (int row = 1; row <= 60; ++row)
        for (int c = 1; c <= 6; ++c)
            ASSERT_TRUE(grid().at(row, c).isEmpty()) << row << "," << c;
    EXPECT_TRUE(chart.chart().autoScale());

    for (float value : {1.0f, 2.0f, 3.0f, 4.0f})
        addSlot(value);  // the load's slot closes empty, then 1, 2 and 3 close
    EXPECT_EQ(chart.history().insertInd(), 4);
    EXPECT_EQ(grid().at(60, 1), zemtra::Variant(3.0f));
    EXPECT_EQ(grid().at(59, 1), zemtra::Variant(2.0f));
    EXPECT_EQ(grid().at(58, 1), zemtra::Variant(1.0f));
    EXPECT_EQ(grid().at(58, 2), zemtra::Variant(101.0f));
    EXPECT_TRUE(grid().at(57, 1).isEmpty());  // the slot open at load had no measures
    EXPECT_TRUE(grid().at(1, 1).isEmpty());
    EXPECT_EQ(grid().at(60, 0), zemtra::Variant("14:05.21"));
    VariantGrid appended = grid();
    chart.redrawChart();
    appended.at(0, 0) = grid().at(0, 0);  // the corner may hold anything
    EXPECT_EQ(grid(), appended);
    EXPECT_FALSE(chart.chart().autoScale());
    EXPECT_EQ(chart.chart().minimum(), 1.0f);
    EXPECT_EQ(chart.chart().maximum(), 103.0f);
}

TEST_F(MeasChartWindow, fullRingIsShownAcrossItsWrap)
{
    for (int i = 0; i < MeasureHistory::kBuckets + 20; ++i)
        addSlot(static_cast<float>(i));
    ASSERT_TRUE(chart.history().arrayFilled());
    ASSERT_EQ(chart.history().insertInd(), 20);
    chart.redrawChart();
    // The newest point is the last set closed; each row back is one slot older.
    const float newest = static_cast<float>(MeasureHistory::kBuckets + 18);
    for (int row = 60; row >= 1; --row)
        ASSERT_EQ(grid().at(row, 1), zemtra::Variant(newest - static_cast<float>(60 - row))) << row;
}

TEST_F(MeasChartWindow, scrolledBackTheViewMovesOnAndKeepsItsDistance)
{
    for (int i = 0; i < 20; ++i)
        addSlot(static_cast<float>(i));
    scroll()->setValue(scroll()->maximum() - 3);  // k = 3: a rebuild
    EXPECT_EQ(chart.getScrollOffset(), 3);
    EXPECT_EQ(grid().at(60, 1), zemtra::Variant(15.0f));
    EXPECT_EQ(grid().at(60, 0), zemtra::Variant("14:06.26"));  // now less 15 s
    addSlot(20.0f);
    EXPECT_EQ(grid().at(60, 1), zemtra::Variant(16.0f));
    EXPECT_EQ(grid().at(59, 1), zemtra::Variant(15.0f));
    EXPECT_EQ(grid().at(60, 0), zemtra::Variant("14:06.31"));

    scroll()->setValue(scroll()->maximum() - 30);  // further back than the history
    for (int row = 1; row <= 60; ++row)
        ASSERT_TRUE(grid().at(row, 1).isEmpty());
    const VariantGrid empty = grid();
    addSlot(21.0f);  // no slot at the newest point: the chart keeps its grid
    EXPECT_EQ(grid(), empty);
}

TEST_F(MeasChartWindow, uncheckedChannelsAreHiddenAndLeftOutOfTheMarginsAtTheNextRebuild)
{
    for (float value : {10.0f, 20.0f, 30.0f})
        addSlot(value);
    chart.redrawChart();
    EXPECT_EQ(chart.chart().maximum(), 120.0f);  // channel 1 stands 100 above
    channelBox(1)->click();
    EXPECT_TRUE(chart.chart().seriesHidden(2));
    chart.redrawChart();
    EXPECT_EQ(chart.chart().maximum(), 20.0f);
    EXPECT_EQ(grid().at(60, 2), zemtra::Variant(120.0f));  // the data stays in the grid
}

TEST_F(MeasChartWindow, aTinyWindowStillCharts)
{
    chart.show();
    chart.resize(10, 1);
    EXPECT_EQ(chart.chart().size(), QSize(0, 0));
    addSlot(1.0f);
    EXPECT_EQ(chart.history().insertInd(), 1);
}

// ---- export ------------------------------------------------------------------

namespace {

QAction* contextAction(frmMeasChart& chart, const char* name)
{
    EXPECT_EQ(chart.chart().contextMenuPolicy(), Qt::ActionsContextMenu);
    for (QAction* action : chart.chart().actions())
        if (action->objectName() == QLatin1String(name))
            return action;
    ADD_FAILURE() << name;
    return nullptr;
}

}  // namespace

TEST_F(MeasChartWindow, historyExportsAsCsvWithEachSlotsCloseTime)
{
    // Labels with a comma, quotes or a line break are quoted whole, as a spreadsheet reads them.
    main.labels[2] = QStringLiteral("Peñas, \"Altas\"");
    main.labels[3] = QStringLiteral("two\r\nlines");
    chart.frmMeasChart_tmr5s_Timer();
    clock.set(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 1), QTimeZone(3600)));
    Measures m{};
    m[2] = {1.5e-7f, 3e-7f, 4.5e-7f, 6e-7f, 7.5e-7f, 9e-7f};
    for (int magnitude = 0; magnitude < 2; ++magnitude)
        for (int c = 0; c < 6; ++c)
            m[magnitude][c] = 40.25f + 10 * magnitude + c;
    m[1][2] = 52.005f;  // written as the shortest text that reads back as this single: 52.005
    chart.addMeasure(m);  // into the slot open since load
    clock.setSecond(6);
    chart.addMeasure(m);  // closes it; the next slot stays without measures
    clock.setSecond(11);
    chart.frmMeasChart_tmr5s_Timer();
    clock.setSecond(16);
    chart.frmMeasChart_tmr5s_Timer();
    clock.setSecond(58);  // the slots of a minute are not all 5 s long: 53 to 58, then 58 to 0
    chart.frmMeasChart_tmr5s_Timer();
    clock.set(QDateTime(QDate(2026, 12, 6), QTime(14, 6, 0), QTimeZone(3600)));
    chart.frmMeasChart_tmr5s_Timer();

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("history.csv"));
    dialogs.fileAnswers.push_back(path);
    contextAction(chart, "actionExportHistoryCsv")->trigger();
    EXPECT_EQ(dialogs.fileRequests.back(), QStringLiteral("vimbo-history.csv"));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const std::string values = ",40.25,50.25,1.5e-07,41.25,51.25,3e-07,42.25,52.005,4.5e-07,"
                               "43.25,53.25,6e-07,44.25,54.25,7.5e-07,45.25,55.25,9e-07\r\n";
    const std::string empty = ",,,,,,,,,,,,,,,,,,\r\n";
    EXPECT_EQ(written.readAll().toStdString(),
              "time,(Ch21) 474.00MHz power,(Ch21) 474.00MHz MER,(Ch21) 474.00MHz VBER,"
              "(Ch34) 578.00MHz power,(Ch34) 578.00MHz MER,(Ch34) 578.00MHz VBER,"
              "\"Peñas, \"\"Altas\"\" power\",\"Peñas, \"\"Altas\"\" MER\",\"Peñas, \"\"Altas\"\" VBER\","
              "\"two\r\nlines power\",\"two\r\nlines MER\",\"two\r\nlines VBER\","
              "c power,c MER,c VBER,d power,d MER,d VBER\r\n"
              "2026-12-06T14:05:06+01:00" + values + "2026-12-06T14:05:11+01:00" + values +
              "2026-12-06T14:05:16+01:00" + empty + "2026-12-06T14:05:58+01:00" + empty +
              "2026-12-06T14:06:00+01:00" + empty);

    // A clock west of Greenwich, and one on UTC itself, keep their offsets.
    EXPECT_EQ(isoTimeWithOffset({1765029937000, -5 * 3600 - 30 * 60}), QStringLiteral("2025-12-06T08:35:37-05:30"));
    EXPECT_EQ(isoTimeWithOffset({1765029937000, 0}), QStringLiteral("2025-12-06T14:05:37+00:00"));
}

TEST_F(MeasChartWindow, exportWritesNothingWhenCancelledAndAFailedWriteLeavesTheOldFileWhole)
{
    QTemporaryDir folder;
    contextAction(chart, "actionExportHistoryCsv")->trigger();  // the fake's default answer: cancelled
    contextAction(chart, "actionSaveChartPng")->trigger();
    EXPECT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());

    const QString path = test::writeFile(folder, QStringLiteral("chart.png"), "old");
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const rlimit small{16, before.rlim_max};  // a disk that fills up
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    dialogs.fileAnswers.push_back(path);
    contextAction(chart, "actionSaveChartPng")->trigger();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("Cannot write ") + path));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"chart.png"}));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));

    dialogs.fileAnswers.push_back(path);  // room again: the picture is the chart as shown
    contextAction(chart, "actionSaveChartPng")->trigger();
    EXPECT_EQ(QImage(path).size(), chart.chart().size());
}

TEST_F(MeasChartWindow, eachRowIsLabelledWithTheTimeItsBucketClosedAsTheExportGivesIt)
{
    // The bucket clock as it runs: 13 closes a minute, at seconds 3, 8, ... 53, 58 and 0.
    clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 1), QTimeZone(3600)));
    chart.frmMeasChart_Form_Load();
    for (int close = 0; close < MeasureHistory::kBuckets + 20; ++close) {
        clock.set(clock.now().addMSecs(MeasureHistory::msecToNextClockChange(clock.msecOfMinute())));
        chart.addMeasure(Measures{});
    }
    struct Row {
        int scrollOffset, row;
        const char* label;
    };
    for (const Row& r : {Row{0, 60, "13:52.18"}, Row{0, 59, "13:52.13"}, Row{0, 58, "13:52.08"},
                         Row{390, 60, "13:22.18"},  // 30 minutes back
                         Row{1380, 60, "12:06.08"}, Row{1380, 1, "12:01.38"}}) {  // the two-hour edge
        scroll()->setValue(scroll()->maximum() - r.scrollOffset);
        EXPECT_EQ(grid().at(r.row, 0), zemtra::Variant(r.label)) << r.scrollOffset << " " << r.row;
    }
    // The oldest closed bucket, at row 2 at the edge, is the export's first line.
    QTemporaryDir folder;
    dialogs.fileAnswers.push_back(folder.filePath(QStringLiteral("history.csv")));
    contextAction(chart, "actionExportHistoryCsv")->trigger();
    QFile written(folder.filePath(QStringLiteral("history.csv")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    written.readLine();
    EXPECT_EQ(written.readLine().left(25), QByteArray("2026-12-06T12:01:43+01:00"));
    EXPECT_EQ(grid().at(2, 0), zemtra::Variant("12:01.43"));
}
