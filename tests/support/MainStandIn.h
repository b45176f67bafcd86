#pragma once

#include "core/MainWindowLink.h"
#include "SnmpClient.h"
#include "core/SnmpRequests.h"

#include <QString>

#include <vector>


namespace vimbo::test {

/// The main window as other windows see it, with values a test sets.
class MainStandIn final : public MainWindowLink {
public:
    std::array<QString, 6> labels{"(Ch21) 474.00MHz", "(Ch34) 578.00MHz", "a", "b", "c", "d"};
    std::array<bool, 6> surveyed{true, true, true, true, false, false};
    std::array<std::int32_t, 6> freqsKHz{};
    std::shared_ptr<clsChannelset> channelSet;
    std::optional<std::int16_t> alarmMER, warnMER;
    std::optional<float> alarmVBER, warnVBER;
    std::array<std::optional<std::int16_t>, 6> alarmPower{}, warnPower{};
    zemtra::SnmpClient client;
    std::unique_ptr<SnmpRequests> requests;  // made at first use, with this client's settings
    int focusTaken = 0;
    std::vector<bool> writing;  // each setWriting, in order
    std::vector<std::pair<std::size_t, std::size_t>> written;  // each write's end: values written, of how many

    bool IsChannelSurveyed(std::int16_t c) const override { return surveyed.at(static_cast<std::size_t>(c)); }
    std::array<std::int32_t, 6> SurveyedFreqsKHz() const override { return freqsKHz; }
    std::shared_ptr<clsChannelset> ChannelSet() const override { return channelSet; }
    std::optional<std::int16_t> ThrAlarmMER() const override { return alarmMER; }
    std::optional<std::int16_t> ThrWarnMER() const override { return warnMER; }
    std::optional<float> ThrAlarmVBER() const override { return alarmVBER; }
    std::optional<float> ThrWarnVBER() const override { return warnVBER; }
    std::optional<std::int16_t> ThrAlarmChPower(std::int16_t c) const override
    {
        return alarmPower.at(static_cast<std::size_t>(c));
    }
    std::optional<std::int16_t> ThrWarnChPower(std::int16_t c) const override
    {
        return warnPower.at(static_cast<std::size_t>(c));
    }
    void loadFile(const QString&) override {}
    QString slotLabel(int c) const override { return labels.at(static_cast<std::size_t>(c)); }
    zemtra::SnmpClient& SnmpClient1() override { return client; }
    SnmpRequests& snmpRequests() override
    {
        if (!requests)
            requests = std::make_unique<SnmpRequests>(client);
        return *requests;
    }
    void setWriting(bool on) override { writing.push_back(on); }
    void surveillanceWritten(bool complete, std::size_t done, std::size_t total) override
    {
        written.emplace_back(complete ? total : done, total);
    }
    void takeFocus() override { ++focusTaken; }
};

}  // namespace vimbo::test
