#include "StoreFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vimbo {

namespace {

QString reason() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Only what this user owns is tightened: a shared folder (a sticky /tmp) is left as it is.
bool tightenable(const struct stat& st) { return st.st_uid == ::geteuid() && (st.st_mode & S_ISVTX) == 0; }

}  // namespace

std::optional<QString> prepareStoreFile(const QString& path, bool forWriting)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st{};
    if (::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode))
        return path + QStringLiteral(": is a symbolic link; the history is not opened through one");
    if (!forWriting)
        return std::nullopt;

    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray folderName = QFile::encodeName(folder);
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        if (::mkdir(folderName.constData(), 0700) != 0 && errno != EEXIST)
            return folder + QStringLiteral(": cannot be made: ") + reason();
    }
    struct stat dir{};
    if (::stat(folderName.constData(), &dir) != 0 || !S_ISDIR(dir.st_mode))
        return folder + QStringLiteral(": is not a folder");
    if ((dir.st_mode & 077) != 0 && tightenable(dir) && ::chmod(folderName.constData(), dir.st_mode & 0700) != 0)
        return folder + QStringLiteral(": cannot be made private: ") + reason();

    // Made here, before SQLite does, so that it never exists wider than 0600.
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return path + QStringLiteral(": cannot be opened: ") + reason();
    struct stat file{};
    const bool ok = ::fstat(fd, &file) == 0 &&
                    ((file.st_mode & 077) == 0 || !tightenable(file) || ::fchmod(fd, file.st_mode & 0600) == 0);
    const QString why = ok ? QString() : reason();
    ::close(fd);
    if (!ok)
        return path + QStringLiteral(": cannot be made private: ") + why;
    return std::nullopt;
}

void tightenStoreCompanions(const QString& path)
{
    for (const char* suffix : {"-wal", "-shm"}) {
        const QByteArray name = QFile::encodeName(path + QLatin1String(suffix));
        const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat file{};
        if (::fstat(fd, &file) == 0 && (file.st_mode & 077) != 0 && tightenable(file))
            ::fchmod(fd, file.st_mode & 0600);
        ::close(fd);
    }
}

}  // namespace vimbo
