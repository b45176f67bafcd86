#pragma once

#include "ResultCode.h"
#include "Variant.h"

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace zemtra {
class SnmpClient;
}

namespace vimbo {

/// The six settings a request is made with, copied when it is queued.
struct ClientSettings {
    std::string agent, communityR, communityW;
    std::int16_t timeout10ms = 0;
    std::int16_t retries = 0;
    std::uint16_t port = 0;

    static ClientSettings of(const zemtra::SnmpClient& client);
    void applyTo(zemtra::SnmpClient& client) const;
};

/// What a request came back with.
struct SnmpReply {
    std::string oid;
    zemtra::ResultCode code = zemtra::kOk;
    zemtra::Variant value;   // the value read, for a get
    std::string reason;      // why it failed, for a developer
    bool ok() const { return !zemtra::failed(code); }
};

/// Runs the window's SNMP requests one at a time, in the order they are
/// queued, on one worker thread that owns its sockets, so that no window's
/// thread waits on the network. Each request takes the settings `settings`
/// holds when it is queued; its reply comes back as a queued call on the
/// thread of `context`, and is dropped when `context` is gone by then.
class SnmpRequests {
public:
    using Done = std::function<void(const SnmpReply&)>;

    explicit SnmpRequests(const zemtra::SnmpClient& settings);
    /// Drops what is queued; a request under way ends within one time-out.
    ~SnmpRequests();
    SnmpRequests(const SnmpRequests&) = delete;
    SnmpRequests& operator=(const SnmpRequests&) = delete;

    void get(const std::string& oid, QObject* context, Done done);
    void set(const std::string& oid, const zemtra::Variant& value, QObject* context, Done done);

private:
    struct Job {
        bool write = false;
        std::string oid;
        zemtra::Variant value;
        ClientSettings settings;
        QPointer<QObject> context;
        Done done;
    };
    void enqueue(Job job);
    void run();
    SnmpReply perform(zemtra::SnmpClient& client, Job& job);

    const zemtra::SnmpClient& m_settings;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::thread m_worker;  // last: started once everything above exists
};

}  // namespace vimbo
