#include "ComponentServer.h"

#include "Registry.h"
#include "SnmpClient.h"

#include <atomic>
#include <cmath>
#include <limits>

namespace zemtra {

namespace {

// What keeps the library loaded: live objects and locks on its factory.
std::atomic<long> g_liveObjects{0};
std::atomic<long> g_factoryLocks{0};

template <typename Integer>
ResultCode toInteger(const Variant& value, Integer& out)
{
    const auto number = value.toNumber();
    if (!number)
        return kTypeMismatch;
    const double rounded = std::nearbyint(*number);  // halves to even
    if (rounded < std::numeric_limits<Integer>::min() || rounded > std::numeric_limits<Integer>::max())
        return kOverflow;
    out = static_cast<Integer>(rounded);
    return kOk;
}

ResultCode toText(const Variant& value, std::string& out)
{
    const auto text = value.toText();
    if (!text || value.type() == VarType::Error)
        return kTypeMismatch;
    out = *text;
    return kOk;
}

class SnmpClientObject final : public ISnmpClient {
public:
    SnmpClientObject() { ++g_liveObjects; }
    ~SnmpClientObject() { --g_liveObjects; }
    SnmpClientObject(const SnmpClientObject&) = delete;
    SnmpClientObject& operator=(const SnmpClientObject&) = delete;

    ResultCode QueryInterface(const Guid& iid, void** object) override
    {
        if (!object)
            return kNoResultLocation;
        *object = nullptr;
        if (iid != identity::kIidUnknown && iid != identity::kIidDispatch && iid != identity::kIidSnmpClient)
            return kNoInterface;
        *object = static_cast<ISnmpClient*>(this);
        AddRef();
        return kOk;
    }
    std::uint32_t AddRef() override { return ++m_references; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    SnmpClient& object() override { return m_client; }

    ResultCode GetIDsOfNames(const std::string& name, DispId* id) override
    {
        if (!id)
            return kNoResultLocation;
        const auto found = dispIdOfName(name);
        if (!found)
            return kMemberNotFound;
        *id = *found;
        return kOk;
    }

    ResultCode Invoke(DispId id, InvokeKind kind, std::span<Variant* const> arguments, Variant* result) override
    {
        if (id == DispId::Get || id == DispId::Set)
            return callMethod(id, kind, arguments);
        if (kind == InvokeKind::PropertyGet) {
            if (!arguments.empty())
                return kBadParamCount;
            if (!result)
                return kNoResultLocation;
            return readProperty(id, *result);
        }
        if (kind == InvokeKind::PropertyPut) {
            if (arguments.size() != 1 || !arguments[0])
                return kBadParamCount;
            return writeProperty(id, *arguments[0]);
        }
        return kMemberNotFound;
    }

private:
    ResultCode readProperty(DispId id, Variant& result)
    {
        switch (id) {
        case DispId::Agent: result = Variant(m_client.Agent()); return kOk;
        case DispId::CommunityW: result = Variant(m_client.CommunityW()); return kOk;
        case DispId::CommunityR: result = Variant(m_client.CommunityR()); return kOk;
        case DispId::Timeout: result = Variant(m_client.Timeout()); return kOk;
        case DispId::Retries: result = Variant(m_client.Retries()); return kOk;
        case DispId::Port: result = Variant(static_cast<std::int32_t>(m_client.Port())); return kOk;  // above a short
        default: return kMemberNotFound;
        }
    }

    ResultCode writeProperty(DispId id, const Variant& value)
    {
        std::string text;
        std::int16_t number = 0;
        switch (id) {
        case DispId::Agent:
        case DispId::CommunityW:
        case DispId::CommunityR:
            if (const ResultCode converted = toText(value, text); converted != kOk)
                return converted;
            if (id == DispId::Agent)
                m_client.setAgent(text);
            else if (id == DispId::CommunityW)
                m_client.setCommunityW(text);
            else
                m_client.setCommunityR(text);
            return kOk;
        case DispId::Timeout:
        case DispId::Retries:
            if (const ResultCode converted = toInteger(value, number); converted != kOk)
                return converted;
            if (id == DispId::Timeout)
                m_client.setTimeout(number);
            else
                m_client.setRetries(number);
            return kOk;
        case DispId::Port: {
            std::uint16_t port = 0;
            if (const ResultCode converted = toInteger(value, port); converted != kOk)
                return converted;
            m_client.setPort(port);
            return kOk;
        }
        default:
            return kMemberNotFound;
        }
    }

    ResultCode callMethod(DispId id, InvokeKind kind, std::span<Variant* const> arguments)
    {
        if (kind != InvokeKind::Method)
            return kMemberNotFound;
        if (arguments.size() != 2 || !arguments[0] || !arguments[1])
            return kBadParamCount;
        const auto* oid = arguments[0]->getIf<std::string>();
        if (!oid)
            return kTypeMismatch;
        return id == DispId::Get ? m_client.get(*oid, *arguments[1]) : m_client.set(*oid, *arguments[1]);
    }

    SnmpClient m_client;
    std::atomic<std::uint32_t> m_references{0};
};

class SnmpClientFactory final : public IClassFactory {
public:
    ResultCode QueryInterface(const Guid& iid, void** object) override
    {
        if (!object)
            return kNoResultLocation;
        *object = nullptr;
        if (iid != identity::kIidUnknown && iid != identity::kIidClassFactory)
            return kNoInterface;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return kOk;
    }
    // The factory lives as long as the library; only LockServer holds it.
    std::uint32_t AddRef() override { return 2; }
    std::uint32_t Release() override { return 1; }

    ResultCode CreateInstance(IUnknown* outer, const Guid& iid, void** object) override
    {
        if (!object)
            return kNoResultLocation;
        *object = nullptr;
        if (outer)
            return kNoAggregation;
        auto* created = new SnmpClientObject;  // reference count 0 until asked for an interface
        const ResultCode asked = created->QueryInterface(iid, object);
        if (asked != kOk)
            delete created;
        return asked;
    }

    ResultCode LockServer(bool lock) override
    {
        if (lock)
            ++g_factoryLocks;
        else
            --g_factoryLocks;
        return kOk;
    }
};

SnmpClientFactory g_factory;

ResultCode changeRegistry(bool add)
{
    RegistryFile registry;
    if (registry.load() != kOk)
        return kSelfRegClass;
    const ResultCode changed = add ? registerComponent(registry, componentModulePath()) : unregisterComponent(registry);
    if (changed != kOk)
        return changed;
    return registry.save();
}

}  // namespace

}  // namespace zemtra

extern "C" {

zemtra::ResultCode DllGetClassObject(const zemtra::Guid* clsid, const zemtra::Guid* iid, void** object)
{
    if (!clsid || !iid || !object)
        return zemtra::kNoResultLocation;
    *object = nullptr;
    if (*clsid != zemtra::identity::kClsidSnmpClient)
        return zemtra::kClassNotAvailable;
    return zemtra::g_factory.QueryInterface(*iid, object);
}

zemtra::ResultCode DllCanUnloadNow()
{
    return zemtra::g_liveObjects == 0 && zemtra::g_factoryLocks == 0 ? zemtra::kOk : zemtra::kFalse;
}

zemtra::ResultCode DllRegisterServer() { return zemtra::changeRegistry(true); }

zemtra::ResultCode DllUnregisterServer() { return zemtra::changeRegistry(false); }
}
