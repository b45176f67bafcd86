#pragma once

#include <QColor>

#include <array>
#include <cstdint>

namespace vimbo::design {

/// The main window's stored client control: its settings in the persisted
/// stream format (agent 127.10.10.10, tavelo, kiminar, port 161, 1 retry, 1 s).
extern const std::array<std::uint8_t, 92> kSnmpClient1Stream;

inline const QColor kWarningLit(255, 192, 128);
inline const QColor kWarningDark(64, 48, 48);
inline const QColor kAlarmLit(255, 0, 0);
inline const QColor kAlarmDark(64, 0, 0);
inline const QColor kSurveyed(255, 255, 255);
inline const QColor kNotSurveyed(192, 192, 192);

}  // namespace vimbo::design
