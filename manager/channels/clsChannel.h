#pragma once

#include <QString>

#include <cstdint>

namespace vimbo {

/// One channel of a plan: its name, video carrier and centre frequency in kHz.
class clsChannel {
public:
    std::int16_t ChInd() const { return m_chInd; }
    void setChInd(std::int16_t index) { m_chInd = index; }
    const QString& ChName() const { return m_chName; }
    void setChName(const QString& name) { m_chName = name; }
    std::int32_t FreqCenterKHz() const { return m_freqCenterKHz; }
    void setFreqCenterKHz(std::int32_t kHz) { m_freqCenterKHz = kHz; }
    std::int32_t FreqVideoKHz() const { return m_freqVideoKHz; }
    void setFreqVideoKHz(std::int32_t kHz) { m_freqVideoKHz = kHz; }

private:
    std::int16_t m_chInd = 0;
    QString m_chName;
    std::int32_t m_freqCenterKHz = 0;
    std::int32_t m_freqVideoKHz = 0;
};

}  // namespace vimbo
