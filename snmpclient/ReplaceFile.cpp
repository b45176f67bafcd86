#include "ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zemtra {

namespace {

std::string failure(const std::string& path, const char* what, int error)
{
    return path + ": " + what + ": " + std::strerror(error);
}

// The temporary file: closed, and removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& path) : m_name(path + ".XXXXXX")
    {
        std::vector<char> name(m_name.begin(), m_name.end());
        name.push_back('\0');
        // mkostemp opens with O_CREAT|O_EXCL: it never opens what is already there.
        m_fd = mkostemp(name.data(), O_CLOEXEC);
        m_name.assign(name.data());
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_kept && m_fd >= 0)
            ::unlink(m_name.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    const std::string& name() const { return m_name; }
    void keep() { m_kept = true; }

private:
    std::string m_name;
    int m_fd = -1;
    bool m_kept = false;
};

}  // namespace

std::optional<std::string> replaceFile(const std::string& path, std::string_view content, mode_t mode)
{
    struct stat existing{};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode))
        return path + ": is a symbolic link; it is not written through. Remove it and try again";
    TemporaryFile file(path);
    if (file.fd() < 0)
        return failure(path, "cannot be written", errno);
    for (std::size_t done = 0; done < content.size();) {
        const ssize_t wrote = ::write(file.fd(), content.data() + done, content.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return failure(path, "cannot be written", wrote < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(wrote);
    }
    if (::fchmod(file.fd(), mode) != 0 || ::fsync(file.fd()) != 0)
        return failure(path, "cannot be written", errno);
    if (::rename(file.name().c_str(), path.c_str()) != 0)
        return failure(path, "cannot be replaced", errno);
    file.keep();
    return std::nullopt;
}

}  // namespace zemtra
