#include "ComponentServices.h"

#include "Registry.h"
#include "SnmpClient.h"

#include <dlfcn.h>

#include <filesystem>

namespace vimbo {

namespace {

using GetClassObject = zemtra::ResultCode (*)(const zemtra::Guid*, const zemtra::Guid*, void**);
using RegisterServer = zemtra::ResultCode (*)();

QString hex(zemtra::ResultCode code)
{
    return QStringLiteral("0x") + QString::number(code, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

zemtra::ResultCode createFrom(GetClassObject getClassObject, const zemtra::Guid& clsid,
                              zemtra::ComPtr<zemtra::ISnmpClient>& object)
{
    zemtra::ComPtr<zemtra::IClassFactory> factory;
    const zemtra::ResultCode got = getClassObject(&clsid, &zemtra::identity::kIidClassFactory, factory.out());
    if (got != zemtra::kOk)
        return got;
    return factory->CreateInstance(nullptr, zemtra::identity::kIidSnmpClient, object.out());
}

// Registers the first fallback library that exists; true when one did.
bool registerFallback(const std::vector<std::string>& libraries, QString* error)
{
    for (const std::string& path : libraries) {
        std::error_code unreadable;
        if (!std::filesystem::exists(path, unreadable))
            continue;
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return fail(error, QStringLiteral("Cannot load %1: %2").arg(QString::fromStdString(path), QString::fromUtf8(dlerror())));
        auto registerServer = reinterpret_cast<RegisterServer>(dlsym(library, "DllRegisterServer"));
        const zemtra::ResultCode registered = registerServer ? registerServer() : zemtra::kFail;
        dlclose(library);
        if (registered == zemtra::kAccessDenied)
            return fail(error, QStringLiteral("%1 could not register itself (%2): the component registry %3 cannot be written")
                                   .arg(QString::fromStdString(path), hex(registered),
                                        QString::fromStdString(zemtra::RegistryFile::defaultPath())));
        if (registered != zemtra::kOk)
            return fail(error, QStringLiteral("%1 could not register itself (%2)").arg(QString::fromStdString(path), hex(registered)));
        return true;
    }
    return fail(error, QStringLiteral("No library was found to register"));
}

}  // namespace

SnmpClientComponent SnmpClientComponent::inProcess()
{
    SnmpClientComponent component;
    createFrom(&DllGetClassObject, zemtra::identity::kClsidSnmpClient, component.m_object);
    return component;
}

std::optional<SnmpClientComponent> createByProgId(const std::string& progId,
                                                  const std::vector<std::string>& fallbackLibraries, QString* error)
{
    QString registered;
    if (auto component = createRegistered(progId, &registered))
        return component;
    // Missing, or stale (a build tree removed, a library moved): the library
    // beside the program registers itself and is tried instead.
    QString fallback;
    if (!registerFallback(fallbackLibraries, &fallback)) {
        fail(error, registered + QLatin1Char('\n') + fallback);
        return std::nullopt;
    }
    return createRegistered(progId, error);
}

std::optional<SnmpClientComponent> createRegistered(const std::string& progId, QString* error)
{
    zemtra::RegistryFile registry;
    if (registry.load() != zemtra::kOk) {
        fail(error, QStringLiteral("Cannot read the component registry %1").arg(QString::fromStdString(registry.path())));
        return std::nullopt;
    }
    const auto classText = registry.value(progId + "\\CLSID");
    const QString name = QString::fromStdString(progId);
    if (!classText) {
        fail(error, QStringLiteral("%1 is not registered").arg(name));
        return std::nullopt;
    }
    const auto clsid = zemtra::Guid::parse(*classText);
    if (!clsid) {
        fail(error, QStringLiteral("The registration of %1 names no valid class (%2)").arg(name, QString::fromStdString(*classText)));
        return std::nullopt;
    }
    const auto path = registry.value("CLSID\\" + clsid->text() + "\\InprocServer32");
    if (!path || path->empty()) {
        fail(error, QStringLiteral("No library is registered for %1").arg(name));
        return std::nullopt;
    }
    return SnmpClientComponent::fromLibrary(*path, *clsid, name, error);
}

std::optional<SnmpClientComponent> SnmpClientComponent::fromLibrary(const std::string& path,
                                                                    const zemtra::Guid& clsid, const QString& name,
                                                                    QString* error)
{
    SnmpClientComponent component;
    component.m_library.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!component.m_library) {
        fail(error, QStringLiteral("Cannot load %1, registered for %2: %3")
                        .arg(QString::fromStdString(path), name, QString::fromUtf8(dlerror())));
        return std::nullopt;
    }
    auto getClassObject = reinterpret_cast<GetClassObject>(dlsym(component.m_library.get(), "DllGetClassObject"));
    if (!getClassObject) {
        fail(error, QStringLiteral("%1 has no class factory entry point").arg(QString::fromStdString(path)));
        return std::nullopt;
    }
    const zemtra::ResultCode created = createFrom(getClassObject, clsid, component.m_object);
    if (created != zemtra::kOk || !component.m_object) {
        fail(error, QStringLiteral("%1 could not create %2 (%3)").arg(QString::fromStdString(path), name, hex(created)));
        return std::nullopt;
    }
    return component;
}

}  // namespace vimbo
