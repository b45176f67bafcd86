#pragma once

#include "Slots.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace zemtra {
class SnmpClient;
}

namespace vimbo {

class SnmpRequests;
class clsChannelset;

/// What the other windows may use of the main window: its exposed members
/// and its client object. The main window implements it.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    /// True when slot c's row shows the surveyed (white) colour; c outside 0..5 raises.
    virtual bool IsChannelSurveyed(std::int16_t c) const = 0;
    virtual PerSlot<std::int32_t> SurveyedFreqsKHz() const = 0;
    /// The current plan itself, or nullptr when there is none.
    virtual std::shared_ptr<clsChannelset> ChannelSet() const = 0;

    // The thresholds shown, as numbers; nullopt while a box holds no number.
    virtual std::optional<std::int16_t> ThrAlarmMER() const = 0;
    virtual std::optional<std::int16_t> ThrWarnMER() const = 0;
    virtual std::optional<float> ThrAlarmVBER() const = 0;
    virtual std::optional<float> ThrWarnVBER() const = 0;
    virtual std::optional<std::int16_t> ThrAlarmChPower(std::int16_t ChInd) const = 0;
    virtual std::optional<std::int16_t> ThrWarnChPower(std::int16_t ChInd) const = 0;

    /// Makes a new plan from `file` the current one, then loads it.
    virtual void loadFile(const QString& file) = 0;

    /// The text of txtLeds(c): the slot's channel label.
    virtual QString slotLabel(int c) const = 0;

    virtual zemtra::SnmpClient& SnmpClient1() = 0;
    /// Where requests are made with SnmpClient1's settings, off the window's thread.
    virtual SnmpRequests& snmpRequests() = 0;

    /// While true the probe's configuration is being written: the main
    /// window starts no polling cycle, drops the one under way, and closes
    /// only once it turns false again.
    virtual void setWriting(bool writing) = 0;
    /// A write of the configuration ended: all `total` values, or stopped after `written`.
    virtual void surveillanceWritten(bool complete, std::size_t written, std::size_t total)
    {
        (void)complete, (void)written, (void)total;
    }

    /// Gives the focus back to the main window.
    virtual void takeFocus() = 0;
};

}  // namespace vimbo
