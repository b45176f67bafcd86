#include "chart/AxisRange.h"
#include "chart/ChartControl.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vimbo;
using zemtra::Variant;

namespace {

VariantGrid gridWith(std::initializer_list<std::pair<int, float>> column1)
{
    VariantGrid grid(0, 60, 0, 6);
    for (const auto& [row, value] : column1)
        grid.at(row, 1) = Variant(value);
    return grid;
}

}  // namespace

TEST(DrawableRange, mendsTheMarginsOddCasesIntoARangeTheAxisCanDraw)
{
    using Range = std::pair<double, double>;
    const struct {
        double low, high;
        bool logarithmic;
        std::optional<double> smallestPositive;
        Range drawn;
    } cases[] = {
        {45, 53, false, 45, {45, 53}},
        {-9, -11, false, std::nullopt, {-11, -9}},
        {0, 0, false, std::nullopt, {-1, 1}},
        {-10, -10, false, std::nullopt, {-11, -9}},
        {std::numeric_limits<double>::quiet_NaN(), 1, false, std::nullopt, {0, 1}},
        {1e-7, 1e-5, true, 1e-7, {1e-7, 1e-5}},
        {0, 1e-5, true, 2e-7, {2e-8, 1e-5}},
        {0, 0, true, std::nullopt, {1e-9, 1e-8}},
        {0, 1e-4, true, std::nullopt, {1e-5, 1e-4}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(drawableRange(c.low, c.high, c.logarithmic, c.smallestPositive), c.drawn) << c.low << " " << c.high;
}

TEST(ChartControl, emptyCellsBreakASeries)
{
    ChartControl chart;
    chart.setChartData(gridWith({{1, 1.0f}, {2, 2.0f}, {4, 4.0f}, {58, 5.0f}, {59, 6.0f}, {60, 7.0f}}));
    const auto runs = chart.drawnSegments(1);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0], (std::vector<QPointF>{{1, 1}, {2, 2}}));
    EXPECT_EQ(runs[1], (std::vector<QPointF>{{4, 4}}));  // a lone point
    EXPECT_EQ(runs[2].size(), 3u);
    EXPECT_TRUE(chart.drawnSegments(2).empty());
}

TEST(ChartControl, logarithmicAxisLeavesOutValuesItCannotShow)
{
    ChartControl chart;
    chart.setScaleType(ChartControl::ScaleType::Logarithmic);
    chart.setAutoScale(false);
    chart.setMinimum(0);  // the margins of a constant 0
    chart.setMaximum(0);
    chart.setChartData(gridWith({{1, 1e-6f}, {2, 0.0f}, {3, 2e-6f}, {4, -1.0f}}));
    const auto runs = chart.drawnSegments(1);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), 1u);
    EXPECT_EQ(runs[1].size(), 1u);
    EXPECT_NEAR(chart.drawnRange().first, 1e-7, 1e-12);  // a tenth of the smallest value shown
    EXPECT_GT(chart.drawnRange().second, chart.drawnRange().first);
}

TEST(ChartControl, aChangedChartDrawsExactlyAsAFreshOneInItsNewState)
{
    const auto finalState = [](ChartControl& chart) {
        chart.setChartData(gridWith({{50, 2e-6f}, {51, 3e-6f}}));
        chart.setScaleType(ChartControl::ScaleType::Logarithmic);
        chart.setLabelFormat(QStringLiteral("0,0e0"));
    };
    ChartControl changed;
    changed.resize(700, 400);
    changed.show();
    changed.setChartData(gridWith({{1, 51.8f}, {2, 53.2f}, {3, 52.0f}, {40, 52.5f}}));
    changed.setAutoScale(false);
    changed.setMinimum(51);
    changed.setMaximum(54);
    QCoreApplication::processEvents();
    changed.setRepaint(false);
    changed.setAutoScale(true);
    finalState(changed);
    changed.setRepaint(true);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ChartControl fresh;
    fresh.resize(700, 400);
    fresh.show();
    finalState(fresh);
    QCoreApplication::processEvents();
    EXPECT_TRUE(changed.grab().toImage() == fresh.grab().toImage());
}
