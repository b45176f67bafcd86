#include "StoreBackup.h"

#include "CHandle.h"

#include <QFile>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace vimbo {

namespace {

using Connection = zemtra::CHandle<sqlite3, sqlite3_close_v2>;
using Backup = zemtra::CHandle<sqlite3_backup, sqlite3_backup_finish>;

QString failure(const QString& path, const QString& why) { return path + QStringLiteral(": ") + why; }

QString sqliteReason(sqlite3* db, int code)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

// The temporary copy: removed unless it was renamed into place.
class TemporaryCopy {
public:
    explicit TemporaryCopy(const QByteArray& path) : m_name(path + ".XXXXXX")
    {
        // mkostemp creates 0600 with O_EXCL: it never opens what is already there.
        m_fd = mkostemp(m_name.data(), O_CLOEXEC);
    }
    ~TemporaryCopy()
    {
        if (m_fd < 0)
            return;
        ::close(m_fd);
        if (!m_kept)
            ::unlink(m_name.constData());
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    int fd() const { return m_fd; }
    const QByteArray& name() const { return m_name; }
    void keep() { m_kept = true; }

private:
    QByteArray m_name;
    int m_fd = -1;
    bool m_kept = false;
};

Connection open(const QByteArray& path, int flags, int& code)
{
    sqlite3* db = nullptr;
    code = sqlite3_open_v2(path.constData(), &db, flags, nullptr);
    return Connection(db);  // closed even when the open failed
}

}  // namespace

std::optional<QString> backupStore(const QString& storePath, const QString& copyPath)
{
    const QByteArray copyName = QFile::encodeName(copyPath);
    struct stat existing{};
    if (::lstat(copyName.constData(), &existing) == 0 && S_ISLNK(existing.st_mode))
        return failure(copyPath, QStringLiteral("is a symbolic link; it is not written through. Remove it and try again"));
    struct stat store{};
    if (::stat(QFile::encodeName(storePath).constData(), &store) == 0 && ::stat(copyName.constData(), &existing) == 0 &&
        store.st_dev == existing.st_dev && store.st_ino == existing.st_ino)
        return failure(copyPath, QStringLiteral("is the store itself"));
    int code = SQLITE_OK;
    const Connection source = open(QFile::encodeName(storePath), SQLITE_OPEN_READONLY, code);
    if (code != SQLITE_OK)
        return failure(storePath, sqliteReason(source.get(), code));
    sqlite3_busy_timeout(source.get(), 5000);

    TemporaryCopy temporary(copyName);
    if (temporary.fd() < 0)
        return failure(copyPath, QString::fromLocal8Bit(std::strerror(errno)));
    {
        const Connection copy = open(temporary.name(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, code);
        if (code != SQLITE_OK)
            return failure(copyPath, sqliteReason(copy.get(), code));
        {
            const Backup backup(sqlite3_backup_init(copy.get(), "main", source.get(), "main"));
            if (!backup)
                return failure(copyPath, sqliteReason(copy.get(), sqlite3_errcode(copy.get())));
            // All pages in one step: one read of the source, which WAL lets writers go on beside.
            for (int tries = 0;; ++tries) {
                code = sqlite3_backup_step(backup.get(), -1);
                if ((code != SQLITE_BUSY && code != SQLITE_LOCKED) || tries == 100)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        if (code != SQLITE_DONE)
            return failure(copyPath, QString::fromUtf8(sqlite3_errstr(code)));
        // The copy is a single file, whatever the store's journal mode.
        if (sqlite3_exec(copy.get(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK)
            return failure(copyPath, sqliteReason(copy.get(), sqlite3_errcode(copy.get())));
    }
    if (::fchmod(temporary.fd(), 0600) != 0 || ::fsync(temporary.fd()) != 0)
        return failure(copyPath, QString::fromLocal8Bit(std::strerror(errno)));
    if (::rename(temporary.name().constData(), copyName.constData()) != 0)
        return failure(copyPath, QString::fromLocal8Bit(std::strerror(errno)));
    temporary.keep();
    return std::nullopt;
}

}  // namespace vimbo
