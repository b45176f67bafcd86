#include "HistoryRecorder.h"

#include <QDateTime>
#include <QSemaphore>
#include <QTimer>

namespace vimbo {

HistoryRecorder::HistoryRecorder(Options options, std::function<void(const QString&)> failed)
    : m_options(std::move(options)), m_failed(std::move(failed))
{
    m_thread.setObjectName(QStringLiteral("history store"));
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(m_worker, [this] {
        try {
            m_store = std::make_unique<HistoryStore>(m_options.path, HistoryStore::Mode::ReadWrite,
                                                     m_options.busyTimeoutMs);
            m_store->maintain(QDateTime::currentMSecsSinceEpoch(), m_options.retention);
        } catch (const sql::Error& error) {
            m_store.reset();
            m_recording = false;
            return tell(QStringLiteral("The alarm history cannot be kept in %1: %2.\nThe probe is still polled; "
                                       "nothing is recorded until the program is started with a usable store.")
                            .arg(m_options.path, describeStoreError(error)));
        }
        auto* maintenance = new QTimer(m_worker);
        connect(maintenance, &QTimer::timeout, m_worker, [this] {
            run([this](HistoryStore& store) {
                store.maintain(QDateTime::currentMSecsSinceEpoch(), m_options.retention);
            });
        });
        maintenance->start(m_options.maintainEveryMs);
    });
}

HistoryRecorder::~HistoryRecorder()
{
    QMetaObject::invokeMethod(m_worker, [this] { m_store.reset(); });
    m_thread.quit();
    m_thread.wait();
}

void HistoryRecorder::post(std::function<void(HistoryStore*)> work, bool alsoWithoutStore)
{
    QMetaObject::invokeMethod(m_worker, [this, work = std::move(work), alsoWithoutStore] {
        if (m_store || alsoWithoutStore)
            work(m_store.get());
    });
}

void HistoryRecorder::run(std::function<void(HistoryStore&)> work)
{
    post([this, work = std::move(work)](HistoryStore* store) {
        try {
            work(*store);
            m_recording = true;
            m_toldWriteFailure = false;
        } catch (const sql::Error& error) {
            // A full disk or a long lock: told once until a write succeeds again.
            m_recording = false;
            if (!std::exchange(m_toldWriteFailure, true))
                tell(QStringLiteral("The alarm history cannot be written to %1: %2.\nThe probe is still polled; "
                                    "recording goes on once writing works again.")
                         .arg(m_options.path, describeStoreError(error)));
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
    run([=](HistoryStore& store) { store.addBucket(probe, closedAt, values, labels); });
}

void HistoryRecorder::recordEvent(const JournalEvent& event)
{
    run([=](HistoryStore& store) { store.addEvent(event); });
}

void HistoryRecorder::closeOpenEnds(const QString& address, int port, const BucketTime& at)
{
    run([=](HistoryStore& store) { store.closeOpenEnds(address, port, at); });
}

void HistoryRecorder::acknowledge(std::int64_t eventId, const QString& user, const QString& note, const BucketTime& at)
{
    run([=](HistoryStore& store) { store.acknowledge(eventId, user, note, at); });
}

void HistoryRecorder::waitForIdle()
{
    QSemaphore done;
    QMetaObject::invokeMethod(m_worker, [&done] { done.release(); });
    done.acquire();
}

}  // namespace vimbo
