#include "HistoryRecorder.h"

#include "core/Clock.h"

#include <QSemaphore>
#include <QTimer>

namespace vimbo {


HistoryRecorder::HistoryRecorder(Options options, const Clock& clock, std::function<void(const QString&)> failed)
    : m_options(std::move(options)), m_clock(clock), m_failed(std::move(failed))
{
    m_thread.setObjectName(QStringLiteral("history store"));
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(m_worker, [this] { opened(); });
}

// On the store's thread.
void HistoryRecorder::opened()
{
    auto store = HistoryStore::open(m_options.path, HistoryStore::Mode::ReadWrite, m_options.busyTimeoutMs);
    if (!store) {
        m_recording = false;
        return tell(QStringLiteral("The alarm history cannot be kept in %1: %2.\nThe probe is still polled; "
                                   "nothing is recorded until the program is started with a usable store.")
                        .arg(m_options.path, store.error().message));
    }
    m_store = std::move(store).value();
    m_store->setFlapHold(m_options.flapHoldMs);
    auto* heartbeat = new QTimer(m_worker);
    connect(heartbeat, &QTimer::timeout, m_worker, [this] {
        if (m_watch)
            run([this](HistoryStore& s) { return s.heartbeat(*m_watch, now().msecsSinceEpoch); });
    });
    heartbeat->start(m_options.heartbeatEveryMs);
    const auto maintain = [this](HistoryStore& s) {
        return s.maintain(m_clock.now().toMSecsSinceEpoch(), m_options.retention);
    };
    run(maintain);
    auto* maintenance = new QTimer(m_worker);
    connect(maintenance, &QTimer::timeout, m_worker, [this, maintain] { run(maintain); });
    maintenance->start(m_options.maintainEveryMs);
    // A closed minute is in the minute table within a minute: the roll-up is
    // incremental, so running it often costs little.
    auto* rollUp = new QTimer(m_worker);
    connect(rollUp, &QTimer::timeout, m_worker,
            [this] { run([this](HistoryStore& s) { return s.rollUp(m_clock.now().toMSecsSinceEpoch()); }); });
    rollUp->start(m_options.rollUpEveryMs);
}

HistoryRecorder::~HistoryRecorder()
{
    // Queued after every write asked for so far, and quitting only once they ran.
    QMetaObject::invokeMethod(m_worker, [this] {
        stopWatching();  // a clean close
        m_store.reset();
        m_thread.quit();
    });
    m_thread.wait();
}

void HistoryRecorder::post(std::function<void(HistoryStore*)> work, bool alsoWithoutStore)
{
    QMetaObject::invokeMethod(m_worker, [this, work = std::move(work), alsoWithoutStore] {
        if (m_store || alsoWithoutStore)
            work(m_store.get());
    });
}

void HistoryRecorder::run(std::function<StoreStatus(HistoryStore&)> work)
{
    post([this, work = std::move(work)](HistoryStore* store) {
        if (const StoreStatus done = work(*store); done) {
            m_recording = true;
            m_toldWriteFailure = false;
        } else {
            // A full disk or a long lock: told once until a write succeeds again.
            m_recording = false;
            if (!std::exchange(m_toldWriteFailure, true))
                tell(QStringLiteral("The alarm history cannot be written to %1: %2.\nThe probe is still polled; "
                                    "recording goes on once writing works again.")
                         .arg(m_options.path, done.error().message));
        }
    });
}

void HistoryRecorder::tell(const QString& message)
{
    qWarning("vimboManager: %s", qPrintable(message));
    if (m_failed)
        QMetaObject::invokeMethod(this, [this, message] { m_failed(message); }, Qt::QueuedConnection);
}

void HistoryRecorder::recordBucket(const ProbeKey& probe, const BucketTime& closedAt, const BucketValues& values,
                                   const PerSlot<QString>& labels)
{
    run([=](HistoryStore& store) {
        // Each bucket is also a sign of life: a crash's gap starts within 5 s of it.
        return store.inOneTransaction([&] {
            const StoreStatus added = store.addBucket(probe, closedAt, values, labels);
            return added && m_watch ? store.heartbeat(*m_watch, closedAt.msecsSinceEpoch) : added;
        });
    });
}

void HistoryRecorder::recordEvent(const JournalEvent& event)
{
    run([=](HistoryStore& store) { return store.addEvent(event).status(); });
}

BucketTime HistoryRecorder::now() const
{
    const QDateTime time = m_clock.now();
    return {time.toMSecsSinceEpoch(), time.offsetFromUtc()};
}

void HistoryRecorder::stopWatching()
{
    if (m_store && m_watch)
        m_store->stopWatching(*std::exchange(m_watch, std::nullopt), now().msecsSinceEpoch);
    m_watch.reset();
}

void HistoryRecorder::watch(const QString& address, int port)
{
    run([=](HistoryStore& store) {
        stopWatching();
        auto started = store.startWatching(address, port, now());
        if (started)
            m_watch = *started;
        return started.status();
    });
}

void HistoryRecorder::resume(const Sighting& lit)
{
    run([=](HistoryStore& store) {
        return m_watch ? store.resume(*m_watch, lit, now()).status() : StoreStatus();
    });
}

void HistoryRecorder::unwatch()
{
    run([this](HistoryStore&) {
        stopWatching();
        return StoreStatus();
    });
}

void HistoryRecorder::acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at)
{
    run([=](HistoryStore& store) { return store.acknowledge(eventId, user, note, at).status(); });
}

void HistoryRecorder::waitForIdle()
{
    QSemaphore done;
    QMetaObject::invokeMethod(m_worker, [&done] { done.release(); });
    done.acquire();
}

}  // namespace vimbo
