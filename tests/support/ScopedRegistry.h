#pragma once

#include <QTemporaryDir>

#include <string>

namespace vimbo::test {

/// Points the component registry at a file of its own for as long as it lives.
class ScopedRegistry {
public:
    ScopedRegistry() { qputenv("ZEMTRA_REGISTRY", QByteArray::fromStdString(m_path)); }
    ~ScopedRegistry() { m_before.isNull() ? qunsetenv("ZEMTRA_REGISTRY") : qputenv("ZEMTRA_REGISTRY", m_before); }
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

    const std::string& path() const { return m_path; }

private:
    QByteArray m_before = qgetenv("ZEMTRA_REGISTRY");
    QTemporaryDir m_folder;
    std::string m_path = m_folder.filePath(QStringLiteral("registry.reg")).toStdString();
};

}  // namespace vimbo::test
