#pragma once

#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace vimbo::test {

/// Points the component registry at a file of its own for as long as it lives.
class ScopedRegistry {
public:
    ScopedRegistry()
    {
        const char* before = std::getenv("ZEMTRA_REGISTRY");
        m_had = before != nullptr;
        if (m_had)
            m_before = before;
        m_path = m_folder.filePath(QStringLiteral("registry.reg")).toStdString();
        setenv("ZEMTRA_REGISTRY", m_path.c_str(), 1);
    }
    ~ScopedRegistry()
    {
        if (m_had)
            setenv("ZEMTRA_REGISTRY", m_before.c_str(), 1);
        else
            unsetenv("ZEMTRA_REGISTRY");
    }
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    const std::string& path() const { return m_path; }

private:
    QTemporaryDir m_folder;
    std::string m_path;
    std::string m_before;
    bool m_had = false;
};

}  // namespace vimbo::test
