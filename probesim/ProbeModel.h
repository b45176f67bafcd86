#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

namespace vimbo::sim {

/// An object below the probe's subtree: group, item and, for an instance, a trailing 0.
struct ObjectKey {
    std::uint32_t group = 0;
    std::uint32_t item = 0;
    bool operator==(const ObjectKey&) const = default;
    auto operator<=>(const ObjectKey&) const = default;
};

using SimValue = std::variant<std::int32_t, std::string>;

struct SlotState {
    bool surveyed = false;
    std::int32_t frequencyHz = 0;
    std::int32_t power100 = 0;   // dBuV x 100
    std::int32_t mer100 = 0;     // dB x 100
    std::int32_t vber1e7 = 0;    // VBER x 10 000 000
    std::int32_t powerAlarm = 40;
    std::int32_t powerWarning = 45;
};

struct ProbeState {
    std::string name = "VIMBO-SIM";
    std::string ipn = "IPN-0001";
    std::string version = "v01.02.03";
    std::int32_t merAlarm = 20;
    std::int32_t merWarning = 25;
    std::int32_t vberAlarm = 1000;  // 1E-04 x 10 000 000
    std::int32_t vberWarning = 100; // 1E-05 x 10 000 000
    std::array<SlotState, 6> slots{};
    std::optional<std::string> alarmFlagsOverride;  // fixed flags text, else computed
};

/// A plausible probe on air: four surveyed UHF channels, one of them marginal.
ProbeState defaultProbeState();

enum class WriteStatus { Ok, NotWritable, WrongType, WrongValue };

/// The probe's objects and what it does with reads and writes. No protocol here.
class ProbeModel {
public:
    explicit ProbeModel(ProbeState state, std::uint32_t seed = 1);

    /// The value at an object's instance (key of the object; the caller checked the ".0").
    std::optional<SimValue> read(const ObjectKey& object) const;

    /// Checks a write to an object (bare identifier) without applying it.
    WriteStatus checkWrite(const ObjectKey& object, const SimValue& value) const;
    /// Applies a write that checkWrite accepted.
    void write(const ObjectKey& object, const SimValue& value);

    /// Every readable object, in identifier order.
    std::vector<ObjectKey> objects() const;

    /// Flags as four upper-case hex digits: warning bits 0..5, alarm bits 8..13.
    std::string alarmFlagsText() const;

    /// One second of slow drift of the surveyed slots' measures around their base.
    void driftStep();

    const ProbeState& state() const { return m_state; }

private:
    struct Base {
        double power = 0, mer = 0, vberLog10 = 0;
    };
    void restartMeasures(int slot);

    ProbeState m_state;
    std::array<Base, 6> m_base{};
    std::array<Base, 6> m_current{};  // unrounded, so small steps add up
    std::mt19937 m_random;
};

}  // namespace vimbo::sim
