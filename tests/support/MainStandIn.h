#pragma once

#include "MainWindowLink.h"

#include <QString>

#include <stdexcept>

namespace vimbo::test {

/// The main window as other windows see it, with values a test sets.
class MainStandIn final : public MainWindowLink {
public:
    std::array<QString, 6> labels{"(Ch21) 474.00MHz", "(Ch34) 578.00MHz", "a", "b", "c", "d"};
    std::array<bool, 6> surveyed{true, true, true, true, false, false};
    int focusTaken = 0;

    bool IsChannelSurveyed(std::int16_t c) const override { return surveyed.at(static_cast<std::size_t>(c)); }
    std::array<std::int32_t, 6> SurveyedFreqsKHz() const override { return {}; }
    std::shared_ptr<clsChannelset> ChannelSet() const override { return nullptr; }
    std::optional<std::int16_t> ThrAlarmMER() const override { return std::nullopt; }
    std::optional<std::int16_t> ThrWarnMER() const override { return std::nullopt; }
    std::optional<float> ThrAlarmVBER() const override { return std::nullopt; }
    std::optional<float> ThrWarnVBER() const override { return std::nullopt; }
    std::optional<std::int16_t> ThrAlarmChPower(std::int16_t) const override { return std::nullopt; }
    std::optional<std::int16_t> ThrWarnChPower(std::int16_t) const override { return std::nullopt; }
    void loadFile(const QString&) override {}
    QString slotLabel(int c) const override { return labels.at(static_cast<std::size_t>(c)); }
    zemtra::SnmpClient& SnmpClient1() override { throw std::logic_error("no client here"); }
    void takeFocus() override { ++focusTaken; }
};

}  // namespace vimbo::test
