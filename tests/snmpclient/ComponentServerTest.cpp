#include "ComponentServer.h"
#include "SimulatedProbe.h"
#include "Registry.h"
#include "ScopedRegistry.h"
#include "SnmpClient.h"

#include <gtest/gtest.h>

using namespace zemtra;
using vimbo::test::ScopedRegistry;

namespace {

ComPtr<IClassFactory> factory()
{
    ComPtr<IClassFactory> made;
    EXPECT_EQ(DllGetClassObject(&identity::kClsidSnmpClient, &identity::kIidClassFactory, made.out()), kOk);
    return made;
}

ComPtr<ISnmpClient> newObject()
{
    ComPtr<ISnmpClient> object;
    EXPECT_EQ(factory()->CreateInstance(nullptr, identity::kIidSnmpClient, object.out()), kOk);
    return object;
}

ResultCode put(ISnmpClient& object, DispId id, Variant value)
{
    Variant* arguments[] = {&value};
    return object.Invoke(id, InvokeKind::PropertyPut, arguments, nullptr);
}

Variant getProperty(ISnmpClient& object, DispId id)
{
    Variant value;
    EXPECT_EQ(object.Invoke(id, InvokeKind::PropertyGet, {}, &value), kOk);
    return value;
}

}  // namespace

TEST(ClassFactory, makesOnlyTheSnmpClientAndObjectsAndLocksKeepTheLibraryLoaded)
{
    const Guid other = *Guid::parse("{00000000-0000-0000-0000-000000000001}");
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(&other, &identity::kIidClassFactory, &object), kClassNotAvailable);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(DllGetClassObject(&identity::kClsidSnmpClient, &identity::kIidSnmpClient, &object), kNoInterface);

    ASSERT_EQ(DllCanUnloadNow(), kOk);
    {
        ComPtr<ISnmpClient> outer = newObject();
        EXPECT_EQ(DllCanUnloadNow(), kFalse);
        ComPtr<ISnmpClient> aggregated;
        EXPECT_EQ(factory()->CreateInstance(outer.get(), identity::kIidUnknown, aggregated.out()), kNoAggregation);
        ComPtr<IUnknown> same;
        ASSERT_EQ(outer->QueryInterface(identity::kIidUnknown, same.out()), kOk);
        EXPECT_EQ(static_cast<void*>(same.get()), static_cast<void*>(outer.get()));
        EXPECT_EQ(outer->QueryInterface(identity::kIidClassFactory, same.out()), kNoInterface);
    }
    EXPECT_EQ(DllCanUnloadNow(), kOk);
    factory()->LockServer(true);
    EXPECT_EQ(DllCanUnloadNow(), kFalse);
    factory()->LockServer(false);
    EXPECT_EQ(DllCanUnloadNow(), kOk);
}

TEST(LateBinding, propertiesReachTheSameSettingsAsDirectCalls)
{
    ComPtr<ISnmpClient> object = newObject();
    EXPECT_EQ(getProperty(*object, DispId::Agent), Variant("192.168.101.248"));
    EXPECT_EQ(getProperty(*object, DispId::Port), Variant(std::int32_t{161}));
    ASSERT_EQ(put(*object, DispId::Agent, Variant("127.0.0.1")), kOk);
    EXPECT_EQ(object->object().Agent(), "127.0.0.1");
    EXPECT_EQ(put(*object, DispId::Timeout, Variant(2.5)), kOk);  // halves to even
    EXPECT_EQ(object->object().Timeout(), 2);
    EXPECT_EQ(put(*object, DispId::Retries, Variant("3")), kOk);
    EXPECT_EQ(object->object().Retries(), 3);
    EXPECT_EQ(put(*object, DispId::Port, Variant(std::int32_t{70000})), kOverflow);
    EXPECT_EQ(put(*object, DispId::Port, Variant(std::int16_t{-1})), kOverflow);
    EXPECT_EQ(put(*object, DispId::Port, Variant(std::int32_t{40000})), kOk);
    EXPECT_EQ(getProperty(*object, DispId::Port), Variant(std::int32_t{40000}));
    EXPECT_EQ(put(*object, DispId::Timeout, Variant("abc")), kTypeMismatch);
    EXPECT_EQ(put(*object, DispId::CommunityR, Variant::null()), kTypeMismatch);
    EXPECT_EQ(object->Invoke(DispId::Agent, InvokeKind::PropertyGet, {}, nullptr), kNoResultLocation);
    DispId id{};
    EXPECT_EQ(object->GetIDsOfNames("communityr", &id), kOk);
    EXPECT_EQ(id, DispId::CommunityR);
    EXPECT_EQ(object->GetIDsOfNames("Walk", &id), kMemberNotFound);
}

TEST(LateBinding, getAndSetMethodsTalkToTheAgent)
{
    auto sim = vimbo::test::startSim();
    ASSERT_TRUE(sim);
    ComPtr<ISnmpClient> object = newObject();
    ASSERT_EQ(put(*object, DispId::Agent, Variant(sim->host())), kOk);
    ASSERT_EQ(put(*object, DispId::Port, Variant(std::int32_t{sim->port()})), kOk);
    Variant oid(".1.3.6.1.4.1.32473.2.2.1.1.0");
    Variant value;
    Variant* getArguments[] = {&oid, &value};
    EXPECT_EQ(object->Invoke(DispId::Get, InvokeKind::Method, getArguments, nullptr), kOk);
    EXPECT_EQ(value, Variant("VIMBO-SIM"));

    Variant writable(".1.3.6.1.4.1.32473.2.2.2.1");
    Variant newValue(std::int16_t{22});
    Variant* setArguments[] = {&writable, &newValue};
    EXPECT_EQ(object->Invoke(DispId::Set, InvokeKind::Method, setArguments, nullptr), kOk);
    EXPECT_EQ(sim->requests().back(), "SET kiminar .1.3.6.1.4.1.32473.2.2.2.1 INTEGER 22");

    Variant notText(std::int32_t{1});
    Variant* badArguments[] = {&notText, &value};
    EXPECT_EQ(object->Invoke(DispId::Get, InvokeKind::Method, badArguments, nullptr), kTypeMismatch);
    EXPECT_EQ(object->Invoke(DispId::Get, InvokeKind::Method, std::span(getArguments, 1), nullptr), kBadParamCount);
}

// ---- registration -----------------------------------------------------------

TEST(Registration, writesTheClassKeysAndRemovesThemAgain)
{
    ScopedRegistry scope;
    RegistryFile before(scope.path());
    const std::string classKey = "CLSID\\{DEF20709-BF02-43D8-A04F-0F2C69CABE9F}";
    before.setValue("CLSID\\{00000000-0000-0000-0000-000000000009}", "", "another class");
    before.setValue(classKey + "\\Stale", "", "left by an old version");
    before.setValue(classKey + "\\Programmable", "junk", "x");
    ASSERT_EQ(before.save(), kOk);

    ASSERT_EQ(DllRegisterServer(), kOk);
    RegistryFile registry(scope.path());
    ASSERT_EQ(registry.load(), kOk);
    const std::string module = componentModulePath();
    EXPECT_NE(module.find("libZemtraATL.so"), std::string::npos);
    const std::pair<std::string, std::string> written[] = {
        {classKey, "SnmpClient Class"},
        {classKey + "\\InprocServer32", module},
        {classKey + "\\ToolboxBitmap32", module + ", 101"},
        {classKey + "\\MiscStatus", "0"},
        {classKey + "\\MiscStatus\\1", "132497"},
        {classKey + "\\TypeLib", "{69BBAF88-A30A-4371-88C8-C3437C89978C}"},
        {classKey + "\\Version", "1.0"},
        {classKey + "\\ProgID", "ZemtraATL.SnmpClient.1"},
        {classKey + "\\VersionIndependentProgID", "ZemtraATL.SnmpClient"},
        {"ZemtraATL.SnmpClient.1\\CLSID", "{DEF20709-BF02-43D8-A04F-0F2C69CABE9F}"},
        {"zemtraatl.snmpclient\\CLSID", "{DEF20709-BF02-43D8-A04F-0F2C69CABE9F}"},
        {"ZemtraATL.SnmpClient\\CurVer", "ZemtraATL.SnmpClient.1"},
        {"TypeLib\\{69BBAF88-A30A-4371-88C8-C3437C89978C}\\1.0", "ZemtraATL 1.0 Type Library"},
    };
    for (const auto& [key, value] : written)
        EXPECT_EQ(registry.value(key), value) << key;
    EXPECT_EQ(registry.value(classKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(registry.hasKey(classKey + "\\Control"));
    EXPECT_TRUE(registry.hasKey(classKey + "\\Programmable"));
    EXPECT_EQ(registry.value(classKey + "\\Programmable", "junk"), std::nullopt);  // ForceRemove wrote it anew
    EXPECT_FALSE(registry.hasKey(classKey + "\\Stale"));

    ASSERT_EQ(DllUnregisterServer(), kOk);
    ASSERT_EQ(registry.load(), kOk);
    for (const std::string& key : {classKey, std::string("ZemtraATL.SnmpClient.1"), std::string("ZemtraATL.SnmpClient"),
                                   "TypeLib\\" + identity::kLibidZemtraAtl.text()})
        EXPECT_FALSE(registry.hasKey(key)) << key;
    EXPECT_TRUE(registry.hasKey("CLSID"));  // NoRemove
    EXPECT_EQ(registry.value("CLSID\\{00000000-0000-0000-0000-000000000009}"), "another class");
}
