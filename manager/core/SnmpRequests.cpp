#include "SnmpRequests.h"

#include "SnmpClient.h"

#include <QMetaObject>

#include <algorithm>

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

SnmpRequests::SnmpRequests(const zemtra::SnmpClient& settings)
    : m_settings(settings), m_worker([this] { run(); })
{
}

SnmpRequests::~SnmpRequests()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

void SnmpRequests::get(const std::string& oid, QObject* context, Done done)
{
    enqueue(Job{false, oid, {}, ClientSettings::of(m_settings), context, std::move(done)});
}

void SnmpRequests::set(const std::string& oid, const zemtra::Variant& value, QObject* context, Done done)
{
    enqueue(Job{true, oid, value, ClientSettings::of(m_settings), context, std::move(done)});
}

void SnmpRequests::enqueue(Job job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void SnmpRequests::run()
{
    zemtra::SnmpClient client;  // the worker's own: only its settings come from the window's object
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        SnmpReply reply = perform(client, job);
        QObject* context = job.context.data();
        if (!context)
            continue;
        // The reply is shown on the context's own thread; a context deleted
        // before then drops it.
        QMetaObject::invokeMethod(
            context, [context = job.context, done = std::move(job.done), reply = std::move(reply)] {
                if (context)
                    done(reply);
            },
            Qt::QueuedConnection);
    }
}

SnmpReply SnmpRequests::perform(zemtra::SnmpClient& client, Job& job)
{
    // The tries are made one by one, each with no retry of its own, so that a
    // program that closes waits for one time-out at most, never all of them.
    ClientSettings once = job.settings;
    once.retries = std::min<std::int16_t>(once.retries, 0);  // a negative count stays, for the client to refuse
    once.applyTo(client);
    SnmpReply reply;
    reply.oid = job.oid;
    const int tries = job.settings.retries < 0 ? 1 : job.settings.retries + 1;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0) {
            const std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
        }
        if (job.write) {
            reply.code = client.set(job.oid, job.value);
        } else {
            reply.value = zemtra::Variant{};
            reply.code = client.get(job.oid, reply.value);
        }
        reply.reason = client.lastFailureReason();
        if (!client.lastCallTimedOut())
            break;
    }
    return reply;
}

}  // namespace vimbo
