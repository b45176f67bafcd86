#pragma once

#include "CHandle.h"
#include "ComponentServer.h"

#include <dlfcn.h>

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zemtra {
class SnmpClient;
}

namespace vimbo {

/// The main window's client object and the library it was made by; the
/// object is released before the library.
class SnmpClientComponent {
public:
    /// Made by the class factory of the library this program is linked with, without the registry.
    static SnmpClientComponent inProcess();

    zemtra::SnmpClient& client() { return m_object->object(); }
    const zemtra::SnmpClient& client() const { return m_object->object(); }
    zemtra::ISnmpClient& object() { return *m_object.get(); }

private:
    /// Loads `path` and makes an object of `clsid` with its class factory.
    static std::optional<SnmpClientComponent> fromLibrary(const std::string& path, const zemtra::Guid& clsid,
                                                          const QString& name, QString* error);
    friend std::optional<SnmpClientComponent> createRegistered(const std::string&, QString*);
    zemtra::CHandle<void, dlclose> m_library;
    zemtra::ComPtr<zemtra::ISnmpClient> m_object;
};

/// Creates the object a program identifier names through the per-user
/// registry: the class, the library file registered for it, its class
/// factory. When that fails (nothing registered, or a registration that
/// points at a library moved or gone), the first of `fallbackLibraries` that
/// exists is loaded, asked to register itself, and created from. nullopt with a readable reason in `error` when anything fails.
std::optional<SnmpClientComponent> createByProgId(const std::string& progId,
                                                  const std::vector<std::string>& fallbackLibraries, QString* error);
/// The same through the registry alone.
std::optional<SnmpClientComponent> createRegistered(const std::string& progId, QString* error);

}  // namespace vimbo
