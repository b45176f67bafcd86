#include "SnmpRequests.h"

#include "SnmpClient.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>

namespace vimbo {

ClientSettings ClientSettings::of(const zemtra::SnmpClient& client)
{
    return {client.Agent(), client.CommunityR(), client.CommunityW(), client.Timeout(), client.Retries(),
            client.Port()};
}

void ClientSettings::applyTo(zemtra::SnmpClient& client) const
{
    client.setAgent(agent);
    client.setCommunityR(communityR);
    client.setCommunityW(communityW);
    client.setTimeout(timeout10ms);
    client.setRetries(retries);
    client.setPort(port);
}

struct SnmpRequests::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable exited;
    std::deque<Job> jobs;
    bool stopping = false;
    bool done = false;
    QObject* receiver = nullptr;  // posted to under `mutex`, and only while not stopping
    SnmpRequests* owner = nullptr;
};

SnmpRequests::SnmpRequests(const zemtra::SnmpClient& settings)
    : m_settings(settings), m_receiver(std::make_unique<QObject>()), m_shared(std::make_shared<Shared>())
{
    m_shared->receiver = m_receiver.get();
    m_shared->owner = this;
    std::thread([shared = m_shared] { run(shared); }).detach();
}

SnmpRequests::~SnmpRequests()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->jobs.clear();
    m_shared->wake.notify_all();
    // An idle worker ends at once; one waiting on a silent agent is left to
    // end its try alone, with nothing of this object left to reach.
    m_shared->exited.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_shared->done; });
    m_shared->receiver = nullptr;
    m_shared->owner = nullptr;
}

ClientSettings SnmpRequests::currentSettings() const { return ClientSettings::of(m_settings); }

void SnmpRequests::get(const std::string& oid, QObject* context, Done done)
{
    get(oid, currentSettings(), context, std::move(done));
}

void SnmpRequests::get(const std::string& oid, const ClientSettings& settings, QObject* context, Done done)
{
    enqueue(Job{0, false, oid, {}, settings}, context, std::move(done));
}

void SnmpRequests::set(const std::string& oid, const zemtra::Variant& value, QObject* context, Done done)
{
    enqueue(Job{0, true, oid, value, currentSettings()}, context, std::move(done));
}

void SnmpRequests::enqueue(Job job, QObject* context, Done done)
{
    job.id = m_nextId++;
    m_waiting.emplace(job.id, Waiting{context, std::move(done)});
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->jobs.push_back(std::move(job));
    }
    m_shared->wake.notify_one();
}

void SnmpRequests::deliver(std::uint64_t id, const SnmpReply& reply)
{
    const auto found = m_waiting.find(id);
    if (found == m_waiting.end())
        return;
    Waiting waiting = std::move(found->second);
    m_waiting.erase(found);
    if (waiting.context)
        waiting.done(reply);
}

void SnmpRequests::run(const std::shared_ptr<Shared>& shared)
{
    zemtra::SnmpClient client;  // the worker's own: only its settings come from the window's object
    for (;;) {
        Job job;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->stopping || !shared->jobs.empty(); });
            if (shared->stopping)
                break;
            job = std::move(shared->jobs.front());
            shared->jobs.pop_front();
        }
        SnmpReply reply = perform(*shared, client, job);
        const std::lock_guard lock(shared->mutex);
        if (shared->stopping)
            break;
        // Handed on by the receiver, on its own thread.
        QMetaObject::invokeMethod(
            shared->receiver, [owner = shared->owner, id = job.id, reply = std::move(reply)] { owner->deliver(id, reply); },
            Qt::QueuedConnection);
    }
    const std::lock_guard lock(shared->mutex);
    shared->done = true;
    shared->exited.notify_all();
}

SnmpReply SnmpRequests::perform(Shared& shared, zemtra::SnmpClient& client, const Job& job)
{
    // The tries are made one by one, each with no retry of its own, so that a
    // program that closes abandons at most the one under way.
    ClientSettings once = job.settings;
    once.retries = std::min<std::int16_t>(once.retries, 0);  // a negative count stays, for the client to refuse
    once.applyTo(client);
    SnmpReply reply;
    reply.oid = job.oid;
    const int tries = job.settings.retries < 0 ? 1 : job.settings.retries + 1;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0) {
            const std::lock_guard lock(shared.mutex);
            if (shared.stopping)
                break;
        }
        if (job.write) {
            reply.code = client.set(job.oid, job.value);
        } else {
            reply.value = zemtra::Variant{};
            reply.code = client.get(job.oid, reply.value);
        }
        reply.reason = client.lastFailureReason();
        reply.tries = attempt + 1;
        if (!client.lastCallTimedOut())
            break;
    }
    // Each try counts itself alone; the reason tells all that were made.
    const std::string alone = "(1 tries of ";
    if (const auto at = reply.reason.find(alone); reply.tries > 1 && at != std::string::npos)
        reply.reason.replace(at, alone.size(), "(" + std::to_string(reply.tries) + " tries of ");
    return reply;
}

}  // namespace vimbo
