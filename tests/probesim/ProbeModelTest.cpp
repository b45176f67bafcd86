#include "ProbeModel.h"

#include <gtest/gtest.h>

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
