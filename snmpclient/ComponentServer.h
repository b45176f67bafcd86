#pragma once

// The component's face to hosts: reference-counted objects made by a class
// factory, late-bound calls by dispatch identifier, and the library's four
// entry points.

#include "ComponentIdentity.h"
#include "ResultCode.h"
#include "Variant.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace zemtra {

class SnmpClient;

inline constexpr ResultCode kNoInterface = 0x80004002;
inline constexpr ResultCode kClassNotAvailable = 0x80040111;
inline constexpr ResultCode kNoAggregation = 0x80040110;
inline constexpr ResultCode kMemberNotFound = 0x80020003;
inline constexpr ResultCode kBadParamCount = 0x8002000E;
inline constexpr ResultCode kOverflow = 0x8002000A;
inline constexpr ResultCode kSelfRegClass = 0x80040201;
inline constexpr ResultCode kFalse = 1;

/// The reference-counting root of every interface here.
class IUnknown {
public:
    virtual ResultCode QueryInterface(const Guid& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

enum class InvokeKind { PropertyGet, PropertyPut, Method };

/// ISnmpClient: the object's settings and operations, direct and late-bound.
class ISnmpClient : public IUnknown {
public:
    /// The object itself, for direct calls.
    virtual SnmpClient& object() = 0;

    /// The member's dispatch identifier; 0x80020003 for a name it does not have.
    virtual ResultCode GetIDsOfNames(const std::string& name, DispId* id) = 0;

    /// A late-bound call. Property get: no arguments, the value in *result.
    /// Property put: one argument, converted to the property's type (0x80020005
    /// when it cannot be, 0x8002000A when it does not fit). get: the identifier
    /// and the variant that receives the value; set: the identifier and the
    /// value. The call's own result code is returned.
    virtual ResultCode Invoke(DispId id, InvokeKind kind, std::span<Variant* const> arguments, Variant* result) = 0;

protected:
    ~ISnmpClient() = default;
};

class IClassFactory : public IUnknown {
public:
    /// A new object answering `iid`; aggregation is not offered (0x80040110).
    virtual ResultCode CreateInstance(IUnknown* outer, const Guid& iid, void** object) = 0;
    /// Keeps the library loaded while locked.
    virtual ResultCode LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

/// Holds one reference to an interface and releases it when it goes.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(Interface* adopted) : m_pointer(adopted) {}
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (m_pointer)
            m_pointer->Release();
        m_pointer = nullptr;
    }
    /// For calls that hand out a new reference: `factory->CreateInstance(..., ptr.out())`.
    void** out()
    {
        reset();
        return reinterpret_cast<void**>(&m_pointer);
    }
    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    Interface& operator*() const { return *m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

private:
    Interface* m_pointer = nullptr;
};

}  // namespace zemtra

// The library's entry points, as a host finds them by name.
extern "C" {
/// The class factory for the SnmpClient class identifier; 0x80040111 for any other.
zemtra::ResultCode DllGetClassObject(const zemtra::Guid* clsid, const zemtra::Guid* iid, void** object);
/// 0 when no object and no factory lock is alive, 1 otherwise.
zemtra::ResultCode DllCanUnloadNow();
/// Writes the class and type-library registration into the per-user registry.
zemtra::ResultCode DllRegisterServer();
/// Removes it again.
zemtra::ResultCode DllUnregisterServer();
}
