#pragma once

#include "PollTransport.h"

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vimbo {

/// Runs the window's SNMP requests one at a time, in the order they are
/// queued, on one worker thread that owns its sockets, so that no window's
/// thread waits on the network. A request takes the settings `settings`
/// holds when it is queued, or the ones it is given. Its reply comes back on
/// the thread that made this object, through an object of that thread: the
/// worker never reads, copies or destroys anything of `context`, and a reply
/// whose `context` is gone by then is dropped.
class SnmpRequests : public PollTransport {
public:
    explicit SnmpRequests(const zemtra::SnmpClient& settings);
    /// Drops what is queued and returns at once: a request under way is
    /// abandoned, its socket closed when its try ends or the program does.
    ~SnmpRequests() override;
    SnmpRequests(const SnmpRequests&) = delete;
    SnmpRequests& operator=(const SnmpRequests&) = delete;

    /// The settings a request queued now would take.
    ClientSettings currentSettings() const override;
    void get(const std::string& oid, QObject* context, Done done);
    void get(const std::string& oid, const ClientSettings& settings, QObject* context, Done done) override;
    void set(const std::string& oid, const zemtra::Variant& value, QObject* context, Done done);

private:
    struct Job {
        std::uint64_t id = 0;
        bool write = false;
        std::string oid;
        zemtra::Variant value;
        ClientSettings settings;
    };
    struct Waiting {
        QPointer<QObject> context;
        Done done;
    };
    struct Shared;  // what the worker and this object share; outlives both
    void enqueue(Job job, QObject* context, Done done);
    void deliver(std::uint64_t id, const SnmpReply& reply);
    static void run(const std::shared_ptr<Shared>& shared);
    static SnmpReply perform(Shared& shared, zemtra::SnmpClient& client, const Job& job);

    const zemtra::SnmpClient& m_settings;
    std::unique_ptr<QObject> m_receiver;  // on this object's thread: replies are posted to it
    std::unordered_map<std::uint64_t, Waiting> m_waiting;  // touched on this object's thread only
    std::uint64_t m_nextId = 1;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace vimbo
