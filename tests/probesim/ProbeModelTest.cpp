#include "ProbeModel.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vimbo::sim;

namespace {

ProbeState quietProbe()
{
    ProbeState state;  // thresholds: MER 20 / 25, VBER 1000 / 100, power 40 / 45
    for (SlotState& slot : state.slots)
        slot = {true, 578000000, 5000, 3000, 10, 40, 45};
    return state;
}

}  // namespace

TEST(ProbeModelFlags, measuresBeyondThresholdsRaiseWarningOrAlarm)
{
    ProbeState state = quietProbe();
    EXPECT_EQ(ProbeModel(state).alarmFlagsText(), "0000");

    state.slots[0].mer100 = 2450;      // below the MER warning
    state.slots[1].power100 = 3999;    // below the power alarm
    state.slots[2].vber1e7 = 101;      // above the VBER warning
    state.slots[3].vber1e7 = 1001;     // above the VBER alarm
    state.slots[4].mer100 = 1999;      // below the MER alarm: alarm only
    state.slots[5].surveyed = false;   // unsurveyed slots raise nothing
    state.slots[5].mer100 = 0;
    EXPECT_EQ(ProbeModel(state).alarmFlagsText(), "1A05");
}

TEST(ProbeModelDrift, twoHoursOfDriftStayPlausible)
{
    const ProbeState initial = defaultProbeState();
    ProbeModel model(initial, 7);
    for (int second = 0; second < 7200; ++second) {
        model.driftStep();
        for (std::size_t s = 0; s < 4; ++s) {
            const SlotState& slot = model.state().slots[s];
            ASSERT_NEAR(slot.power100, initial.slots[s].power100, 300) << s << " at " << second;
            ASSERT_NEAR(slot.mer100, initial.slots[s].mer100, 300) << s << " at " << second;
            ASSERT_LT(std::abs(std::log10(double(slot.vber1e7) / initial.slots[s].vber1e7)), 1.0);
        }
    }
    EXPECT_NE(model.state().slots[1].mer100, initial.slots[1].mer100);
}
