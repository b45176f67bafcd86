#pragma once

#include "core/PollTransport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vimbo {

/// Many probes' reads in flight at once, over the protocol library's
/// asynchronous sessions: one session per channel (a probe), kept open and
/// reused while its settings hold, its time-out and retries the probe's own.
/// Every socket is watched by the event loop of the thread that made this
/// object, with one timer for all time-outs, so nothing ever waits and a
/// silent probe holds up no other. Replies are handed on on this thread once
/// the library's call that read them has returned; a reply whose context is
/// gone by then is dropped. Use it from its own thread only.
class SnmpSessions {
public:
    using Channel = std::uint64_t;

    SnmpSessions();
    /// Closes every session; replies still to come are dropped.
    ~SnmpSessions();
    SnmpSessions(const SnmpSessions&) = delete;
    SnmpSessions& operator=(const SnmpSessions&) = delete;

    /// A new channel. Its session opens on its first read.
    Channel open();
    /// Closes the channel's session; its replies still to come are dropped.
    void close(Channel channel);

    /// Reads `oid` on the channel's session with `settings` (a session opened
    /// with other settings is replaced). Results and failures as SnmpClient::get
    /// gives them; `done` is always called later, never from inside this call.
    void get(Channel channel, const std::string& oid, const ClientSettings& settings, QObject* context,
             PollTransport::Done done);

    /// Sessions open now, retired ones still waiting for a reply included.
    std::size_t openSessions() const;
    /// Reads sent and not yet answered or timed out.
    std::size_t inFlight() const;

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
};

/// One probe's transport over the shared sessions (which outlive it): the
/// probe's settings and its channel, closed with it.
class SessionTransport : public PollTransport {
public:
    SessionTransport(SnmpSessions& sessions, ClientSettings settings);
    ~SessionTransport() override;
    SessionTransport(const SessionTransport&) = delete;
    SessionTransport& operator=(const SessionTransport&) = delete;

    /// Taken by the next cycle: a cycle keeps the settings it began with.
    void setSettings(const ClientSettings& settings) { m_settings = settings; }
    ClientSettings currentSettings() const override { return m_settings; }
    void get(const std::string& oid, const ClientSettings& settings, QObject* context, Done done) override;

private:
    SnmpSessions& m_sessions;
    SnmpSessions::Channel m_channel;
    ClientSettings m_settings;
};

}  // namespace vimbo
