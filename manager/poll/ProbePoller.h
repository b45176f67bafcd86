#pragma once

#include "mib/AlarmFlags.h"
#include "core/PollTransport.h"
#include "core/ProbeState.h"
#include "ReadPlan.h"
#include "core/Slots.h"

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vimbo {

/// One value of the cycle, in the units the window shows it in.
struct ProbeReading {
    std::size_t step = 0;
    ProbeItem item = ProbeItem::Name;
    int slot = -1;
    QString text;         // as the probe gave it: identity, flag text, MER and power thresholds
    double value = 0;     // power and MER in dBuV and dB, VBERs as a ratio, the frequency in Hz
    bool surveyed = false;
    std::int32_t kHz = 0;  // the frequency, whole kHz
    mib::AlarmFlags flags;
};

/// What a cycle read, as it stood at its end.
struct CycleSnapshot {
    struct Slot {
        bool surveyed = false;
        std::int32_t kHz = 0;
        double power = 0, mer = 0, vber = 0;
        QString powerAlarm, powerWarning;
    };
    ClientSettings settings;  // the cycle's, pinned at its start
    QString name, ipn, version;
    mib::AlarmFlags flags;
    QString merAlarm, merWarning;
    double vberAlarm = 0, vberWarning = 0;
    PerSlot<Slot> slotValues{};
    bool complete = false;
    std::size_t failedAt = 0;  // the step that failed, when not complete
    std::string reason;        // why, for a developer
};

/// A change the cycle found.
struct ProbeEvent {
    enum Kind { AlarmRose, AlarmCleared, WarningRose, WarningCleared, ProbeLost, ProbeBack };
    Kind kind;
    int slot = -1;
    bool operator==(const ProbeEvent&) const = default;
};

/// How a cycle ended.
struct CycleEnd {
    enum Outcome { Complete, Failed, Dropped };
    Outcome outcome = Complete;
    CycleSnapshot snapshot;
    std::vector<ProbeEvent> events;  // alarm and warning changes by slot, then the probe's state
    ProbeState state = ProbeState::Waiting;  // the probe's, after this cycle
};

/// The polling cycle without a window: the 50 reads in order, one at a time,
/// each on the settings the cycle began with; the first failure ends it. A
/// tick while a cycle runs, or while the probe's configuration is written,
/// starts nothing, and a cycle under way when a write begins is dropped.
class ProbePoller : public QObject {
public:
    struct Handlers {
        /// Each value as it arrives; false when it cannot be shown, which fails the cycle there.
        std::function<bool(const ProbeReading&)> reading;
        /// At every cycle's end, dropped ones included.
        std::function<void(const CycleEnd&)> ended;
        /// A cycle starts on another agent or port than the cycle before.
        std::function<void()> probeChanged;
    };

    ProbePoller(PollTransport& transport, Handlers handlers);

    /// Starts a cycle; false, with nothing sent, while busy().
    bool tick();
    bool busy() const { return m_running || m_writing; }
    bool cycleRunning() const { return m_running; }
    /// While true no cycle starts; a running one is dropped at its next reply.
    void setWriting(bool writing) { m_writing = writing; }
    bool writing() const { return m_writing; }
    /// The probe's state after the last cycle that ended; Waiting again on another agent.
    ProbeState state() const { return m_probeState; }

private:
    void requestNext();
    void take(const SnmpReply& reply);
    std::optional<std::string> read(const SnmpReply& reply, ProbeReading& reading);
    void keep(const ProbeReading& reading);
    void end(CycleEnd::Outcome outcome, std::string reason = {});

    PollTransport& m_transport;
    Handlers m_handlers;
    bool m_running = false;
    bool m_writing = false;
    bool m_cycledBefore = false;
    std::size_t m_next = 0;
    CycleSnapshot m_snapshot;
    // The lamps' changes since the last cycle that ended (a dropped one tells none).
    PerSlot<bool> m_alarmLit{}, m_warningLit{};
    PerSlot<bool> m_alarmRose{}, m_alarmCleared{}, m_warningRose{}, m_warningCleared{};
    ProbeState m_probeState = ProbeState::Waiting;
};

}  // namespace vimbo
