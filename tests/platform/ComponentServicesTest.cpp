#include "platform/ComponentServices.h"
#include "Registry.h"
#include "ScopedRegistry.h"
#include "SnmpClient.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::ScopedRegistry;

TEST(ComponentServices, unregisteredClassIsRegisteredFromTheLibraryBesideTheProgram)
{
    ScopedRegistry scope;
    QString error;
    auto component = createByProgId("ZemtraATL.SnmpClient", {"/nonexistent/libZemtraATL.so", zemtra::componentModulePath()},
                                    &error);
    ASSERT_TRUE(component) << error.toStdString();
    EXPECT_EQ(component->client().Agent(), "192.168.101.248");  // a fresh object
    zemtra::RegistryFile registry(scope.path());
    ASSERT_EQ(registry.load(), zemtra::kOk);
    EXPECT_TRUE(registry.value("ZemtraATL.SnmpClient.1\\CLSID"));

    // Now registered: both program identifiers name the same class.
    auto versioned = createByProgId("ZemtraATL.SnmpClient.1", {}, &error);
    ASSERT_TRUE(versioned) << error.toStdString();
    zemtra::DispId id{};
    EXPECT_EQ(versioned->object().GetIDsOfNames("Port", &id), zemtra::kOk);
    versioned->client().setPort(1161);
    EXPECT_EQ(component->client().Port(), 161);  // separate objects of one class
}

TEST(ComponentServices, unusableRegistrationsGiveAReasonNotACrash)
{
    ScopedRegistry scope;
    QString error;
    EXPECT_FALSE(createByProgId("ZemtraATL.SnmpClient", {}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("not registered"))) << error.toStdString();

    zemtra::RegistryFile registry(scope.path());
    const std::string clsid = zemtra::identity::kClsidSnmpClient.text();
    registry.setValue("ZemtraATL.SnmpClient\\CLSID", "", clsid);
    // A library that is no component: it loads, but has no class factory.
    registry.setValue("CLSID\\" + clsid + "\\InprocServer32", "", "libm.so.6");
    ASSERT_EQ(registry.save(), zemtra::kOk);
    EXPECT_FALSE(createByProgId("ZemtraATL.SnmpClient", {}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no class factory"))) << error.toStdString();
}

TEST(ComponentServices, staleRegistrationIsReplacedByTheLibraryBesideTheProgram)
{
    ScopedRegistry scope;
    zemtra::RegistryFile registry(scope.path());
    const std::string clsid = zemtra::identity::kClsidSnmpClient.text();
    registry.setValue("ZemtraATL.SnmpClient\\CLSID", "", clsid);
    registry.setValue("CLSID\\" + clsid + "\\InprocServer32", "", "/removed/build/libZemtraATL.so");
    ASSERT_EQ(registry.save(), zemtra::kOk);
    QString error;
    auto component = createByProgId("ZemtraATL.SnmpClient", {zemtra::componentModulePath()}, &error);
    ASSERT_TRUE(component) << error.toStdString();
    ASSERT_EQ(registry.load(), zemtra::kOk);
    EXPECT_EQ(registry.value("CLSID\\" + clsid + "\\InprocServer32"), zemtra::componentModulePath());
}

TEST(ComponentServices, unreadableRegistryIsAReasonNotAnException)
{
    ScopedRegistry scope;
    const QString loop = QString::fromStdString(scope.path()) + QStringLiteral(".loop");
    ASSERT_TRUE(QFile::link(loop, loop));  // a symbolic link to itself: every look-up fails with ELOOP
    qputenv("ZEMTRA_REGISTRY", (loop + QStringLiteral("/registry.reg")).toLocal8Bit());
    QString error;
    EXPECT_NO_THROW(EXPECT_FALSE(createByProgId("ZemtraATL.SnmpClient", {}, &error)));
    EXPECT_TRUE(error.contains(QStringLiteral("Cannot read the component registry"))) << error.toStdString();
    QFile::remove(loop);
}

TEST(ComponentServices, aRegistryThatCannotBeWrittenIsNamedInTheReason)
{
    ScopedRegistry scope;
    // A link at the registry is never written through.
    const std::string target = scope.path() + ".target";
    ASSERT_TRUE(QFile::link(QString::fromStdString(target), QString::fromStdString(scope.path())));
    QString error;
    EXPECT_FALSE(createByProgId("ZemtraATL.SnmpClient", {zemtra::componentModulePath()}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("the component registry ") + QString::fromStdString(scope.path()) +
                               QStringLiteral(" cannot be written")))
        << error.toStdString();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(target)));
}
