#include "Controls.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "MainStandIn.h"
#include "ProbeSimProcess.h"
#include "frmMain.h"
#include "frmSnmpConfig.h"

#include <QDir>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::FakeDialogs;
using vimbo::test::MainStandIn;
using vimbo::test::ProbeSimProcess;

namespace {

class SnmpSettings : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English));
        main.client.setAgent("127.10.10.10");
        window.frmSnmpConfig_Form_Load();
    }
    TextBox* box(const char* name) { return window.findChild<TextBox*>(QLatin1String(name)); }
    void type(const char* name, const QString& text) { box(name)->setText(text); }
    bool save()
    {
        window.frmSnmpConfig_OKButton_Click();
        return window.result() == QDialog::Accepted;
    }
    void expectUnchanged()
    {
        EXPECT_EQ(main.client.Agent(), "127.10.10.10");
        EXPECT_EQ(main.client.CommunityR(), "tavelo");
        EXPECT_EQ(main.client.CommunityW(), "kiminar");
        EXPECT_EQ(main.client.Port(), 161);
        EXPECT_EQ(main.client.Timeout(), 100);
        EXPECT_EQ(main.client.Retries(), 1);
    }

    FakeDialogs dialogs;
    MainStandIn main;
    frmSnmpConfig window{main, dialogs, nullptr};
};

}  // namespace

TEST_F(SnmpSettings, opensWithTheClientsSettings)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vimbo SNMP Demo Manager Configuration"));
    EXPECT_EQ(box("txtVimboIP")->text(), QStringLiteral("127.10.10.10"));
    EXPECT_EQ(box("txtCommunityR")->text(), QStringLiteral("tavelo"));
    EXPECT_EQ(box("txtCommunityW")->text(), QStringLiteral("kiminar"));
    EXPECT_EQ(box("txtPort")->text(), QStringLiteral("161"));
    EXPECT_EQ(box("txtTimeout10ms")->text(), QStringLiteral("100"));
    EXPECT_EQ(box("txtRetries")->text(), QStringLiteral("1"));
}

TEST_F(SnmpSettings, saveWritesAllSixRoundingTheNumbers)
{
    type("txtVimboIP", QStringLiteral("172.16.5.20"));
    type("txtCommunityR", QString());
    type("txtCommunityW", QStringLiteral(" with spaces "));
    type("txtPort", QStringLiteral("40000"));
    type("txtTimeout10ms", QStringLiteral("2.5"));
    type("txtRetries", QStringLiteral("3.5"));
    EXPECT_TRUE(save());
    EXPECT_EQ(main.client.Agent(), "172.16.5.20");
    EXPECT_EQ(main.client.CommunityR(), "");
    EXPECT_EQ(main.client.CommunityW(), " with spaces ");
    EXPECT_EQ(main.client.Port(), 40000);
    EXPECT_EQ(main.client.Timeout(), 2);
    EXPECT_EQ(main.client.Retries(), 4);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SnmpSettings, refusedAddressWritesNothing)
{
    for (const char* address : {"0.1.1.1", "172.16.1.255", "172.16.001.5", "172.16.1", "172.16.1.5.7", ""}) {
        type("txtVimboIP", QLatin1String(address));
        type("txtCommunityR", QStringLiteral("changed"));
        EXPECT_FALSE(save()) << address;
        expectUnchanged();
        ASSERT_FALSE(dialogs.messages.empty());
        EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("Invalid IP"));
        EXPECT_EQ(dialogs.messages.back().icon, MessageIcon::Exclamation);
        EXPECT_EQ(dialogs.messages.back().title, window.windowTitle());
    }
}

TEST_F(SnmpSettings, refusedNumbersWriteNothingAndNameTheField)
{
    struct Case {
        const char* box;
        const char* text;
        const char* message;
    };
    for (const Case& c : {Case{"txtPort", "abc", "UDP Port: a whole number from 1 to 65535"},
                          Case{"txtPort", "0", "UDP Port: a whole number from 1 to 65535"},
                          Case{"txtPort", "65536", "UDP Port: a whole number from 1 to 65535"},
                          Case{"txtTimeout10ms", "-1", "UDP timeout (x10ms): a whole number from 0 to 32767"},
                          Case{"txtRetries", "", "Request retries: a whole number from 0 to 32767"},
                          Case{"txtRetries", "1,000", "Request retries: a whole number from 0 to 32767"}}) {
        window.frmSnmpConfig_Form_Load();
        type("txtVimboIP", QStringLiteral("172.16.5.20"));
        type(c.box, QLatin1String(c.text));
        EXPECT_FALSE(save()) << c.box << " " << c.text;
        expectUnchanged();
        EXPECT_EQ(dialogs.messages.back().text, QLatin1String(c.message));
    }
}

TEST_F(SnmpSettings, demoAgentOnAHighPortIsSavedUntouched)
{
    main.client.setAgent("127.0.0.1");
    main.client.setPort(40000);
    window.frmSnmpConfig_Form_Load();
    EXPECT_EQ(box("txtPort")->text(), QStringLiteral("40000"));
    EXPECT_TRUE(save());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(main.client.Agent(), "127.0.0.1");
    EXPECT_EQ(main.client.Port(), 40000);
}

TEST_F(SnmpSettings, cancelAndEscapeLeaveTheClientAsItWas)
{
    type("txtVimboIP", QStringLiteral("172.16.5.20"));
    type("txtPort", QStringLiteral("1161"));
    window.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    expectUnchanged();
}

TEST(SnmpSettingsInUse, nextPollGoesToTheNewAgent)
{
    QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));
    std::string error;
    auto first = ProbeSimProcess::start({}, "127.0.0.1:0", &error);
    auto second = ProbeSimProcess::start({}, "127.1.1.2:0", &error);
    ASSERT_TRUE(first && second) << error;
    FakeDialogs dialogs;
    vimbo::test::FakeClock clock;
    frmMain main(dialogs, clock);
    main.frmMain_Form_Load();
    main.SnmpClient1().setAgent(first->host());
    main.SnmpClient1().setPort(first->port());
    main.frmMain_tmrVimboPollingAlarms_Timer();
    EXPECT_EQ(first->requests().size(), 50u);

    frmSnmpConfig settings(main, dialogs, &main);
    settings.frmSnmpConfig_Form_Load();
    settings.findChild<TextBox*>(QStringLiteral("txtVimboIP"))->setText(QStringLiteral("127.1.1.2"));  // no field of 0: the address check refuses it
    settings.findChild<TextBox*>(QStringLiteral("txtPort"))->setText(QString::number(second->port()));
    settings.frmSnmpConfig_OKButton_Click();
    ASSERT_EQ(settings.result(), QDialog::Accepted);

    main.frmMain_tmrVimboPollingAlarms_Timer();
    EXPECT_EQ(first->requests().size(), 50u);
    EXPECT_EQ(second->requests().size(), 50u);
    EXPECT_FALSE(main.pollFailed());
}
