#include "FakeClock.h"
#include "MainStandIn.h"
#include "frmMeasChart.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QWindow>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::FakeClock;
using vimbo::test::MainStandIn;

namespace {

class MeasChartWindow : public testing::Test {
protected:
    void SetUp() override
    {
        clock.setSecond(1);
        chart.frmMeasChart_Form_Load();
    }
    QCheckBox* channelBox(int i) { return chart.findChild<QCheckBox*>(QStringLiteral("chkChannel_%1").arg(i)); }

    FakeClock clock;
    MainStandIn main;
    frmMeasChart chart{main, clock};
};

Measures constant(float value)
{
    Measures m{};
    for (auto& magnitude : m)
        magnitude.fill(value);
    return m;
}

}  // namespace

TEST_F(MeasChartWindow, measuresLandInTheSlotOfTheirPeriod)
{
    clock.setSecond(56);
    chart.addMeasure(constant(10));  // closes the slot open since load
    EXPECT_EQ(chart.history().insertInd(), 1);
    clock.setSecond(57);
    chart.addMeasure(constant(20));
    EXPECT_EQ(chart.history().count(1), 2.0f);
    clock.setSecond(58);
    chart.addMeasure(constant(40));  // seconds 58 and 59 open a new slot
    EXPECT_EQ(chart.history().insertInd(), 2);
    EXPECT_FLOAT_EQ(chart.history().value(1, 2, 3), 15.0f);
    clock.setSecond(59);
    chart.frmMeasChart_tmr5s_Timer();
    EXPECT_EQ(chart.history().insertInd(), 2);
    clock.setSecond(0);
    chart.frmMeasChart_tmr5s_Timer();  // the timer closes slots without measures too
    EXPECT_EQ(chart.history().insertInd(), 3);
    EXPECT_FLOAT_EQ(chart.history().value(2, 0, 0), 40.0f);
}

TEST_F(MeasChartWindow, timerCopiesLabelsAndFollowsSurveyedSlots)
{
    chart.frmMeasChart_tmr5s_Timer();
    EXPECT_EQ(channelBox(0)->text(), QStringLiteral("(Ch21) 474.00MHz"));
    EXPECT_EQ(channelBox(5)->text(), QStringLiteral("d"));
    EXPECT_TRUE(channelBox(3)->isEnabled());
    EXPECT_TRUE(channelBox(3)->isChecked());
    EXPECT_FALSE(channelBox(4)->isEnabled());
    EXPECT_FALSE(channelBox(4)->isChecked());
    EXPECT_EQ(chart.checkedChannels(), (ChannelMask{true, true, true, true, false, false}));

    channelBox(1)->setChecked(false);  // the operator's choice stays
    main.surveyed[4] = true;           // a newly surveyed slot is enabled, still unchecked
    chart.frmMeasChart_tmr5s_Timer();
    EXPECT_FALSE(channelBox(1)->isChecked());
    EXPECT_TRUE(channelBox(4)->isEnabled());
    EXPECT_FALSE(channelBox(4)->isChecked());
}

TEST_F(MeasChartWindow, hiddenTestControlsSetTheRing)
{
    auto* insert = chart.findChild<QLineEdit*>(QStringLiteral("testInsertInd"));
    auto* filled = chart.findChild<QCheckBox*>(QStringLiteral("testArrayFilled"));
    ASSERT_TRUE(insert && filled);
    EXPECT_FALSE(insert->isVisibleTo(&chart));
    EXPECT_FALSE(filled->isVisibleTo(&chart));
    insert->setText(QStringLiteral("1400"));
    EXPECT_EQ(chart.history().insertInd(), 1400);
    for (const char* refused : {"", "1440", "-1", "abc", "12.5"}) {
        insert->setText(QLatin1String(refused));
        EXPECT_EQ(chart.history().insertInd(), 1400) << refused;
    }
    filled->click();
    EXPECT_TRUE(chart.history().arrayFilled());
    EXPECT_EQ(chart.getLastShownInd(), 1399);
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
