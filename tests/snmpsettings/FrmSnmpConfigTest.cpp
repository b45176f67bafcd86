#include "widgets/Controls.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "PollCycle.h"
#include "WaitFor.h"
#include "MainStandIn.h"
#include "SimulatedProbe.h"
#include "main/frmMain.h"
#include "snmpsettings/frmSnmpConfig.h"
#include "Widgets.h"

#include <QDir>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::FakeDialogs;
using vimbo::test::MainStandIn;

namespace {

class SnmpSettings : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English));
        main.client.setAgent("127.10.10.10");
        window.frmSnmpConfig_Form_Load();
    }
    TextBox* box(const char* name) { return test::child<TextBox>(window, QLatin1String(name)); }
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

TEST_F(SnmpSettings, opensWithTheClientsSettingsCancelsOrSavesAllSixRoundingTheNumbers)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vimbo SNMP Demo Manager Configuration"));
    const std::pair<const char*, const char*> shown[] = {{"txtVimboIP", "127.10.10.10"}, {"txtCommunityR", "tavelo"},
                                                         {"txtCommunityW", "kiminar"},   {"txtPort", "161"},
                                                         {"txtTimeout10ms", "100"},      {"txtRetries", "1"}};
    for (const auto& [name, text] : shown)
        EXPECT_EQ(box(name)->text().toStdString(), text);

    type("txtPort", QStringLiteral("1161"));
    test::child<QPushButton>(window, QStringLiteral("CancelButton"))->click();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    expectUnchanged();

    window.frmSnmpConfig_Form_Load();
    type("txtVimboIP", QStringLiteral("192.168.0.20"));  // a zero middle field, as on most LANs
    type("txtCommunityR", QString());
    type("txtCommunityW", QStringLiteral(" with spaces "));
    type("txtPort", QStringLiteral("40000"));
    type("txtTimeout10ms", QStringLiteral("2.5"));
    type("txtRetries", QStringLiteral("3.5"));
    EXPECT_TRUE(save());
    EXPECT_EQ(std::tuple(main.client.Agent(), main.client.CommunityR(), main.client.CommunityW(), main.client.Port(),
                         main.client.Timeout(), main.client.Retries()),
              std::tuple("192.168.0.20", "", " with spaces ", 40000, 2, 4));
    EXPECT_TRUE(dialogs.messages.empty());

    window.frmSnmpConfig_Form_Load();  // what was saved, the high port too, saves again untouched
    EXPECT_TRUE(save());
    for (const char* ipv6 : {"::1", "fe80::1"}) {  // a numeric IPv6 agent, as --agent ::1 gives
        type("txtVimboIP", QLatin1String(ipv6));
        EXPECT_TRUE(save());
        EXPECT_EQ(main.client.Agent(), ipv6);
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SnmpSettings, refusedAddressOrNumberWritesNothingAndSaysWhy)
{
    struct Case {
        const char* box;
        const char* text;
        const char* message;
    };
    for (const Case& c : {Case{"txtVimboIP", "0.1.1.1", "Invalid IP"}, Case{"txtVimboIP", "172.16.1.255", "Invalid IP"},
                          Case{"txtVimboIP", "172.16.001.5", "Invalid IP"}, Case{"txtVimboIP", "", "Invalid IP"},
                          Case{"txtVimboIP", "[::1]", "Invalid IP"}, Case{"txtVimboIP", "::1%lo", "Invalid IP"},
                          Case{"txtVimboIP", "1::2::3", "Invalid IP"}, Case{"txtVimboIP", "fe80::1/64", "Invalid IP"},
                          Case{"txtPort", "abc", "UDP Port: a whole number from 1 to 65535"},
                          Case{"txtPort", "0", "UDP Port: a whole number from 1 to 65535"},
                          Case{"txtPort", "65536", "UDP Port: a whole number from 1 to 65535"},
                          Case{"txtTimeout10ms", "-1", "UDP timeout (x10ms): a whole number from 0 to 32767"},
                          Case{"txtRetries", "1,000", "Request retries: a whole number from 0 to 32767"}}) {
        window.frmSnmpConfig_Form_Load();
        type("txtCommunityR", QStringLiteral("changed"));
        type(c.box, QLatin1String(c.text));
        EXPECT_FALSE(save()) << c.box << " " << c.text;
        expectUnchanged();
        EXPECT_EQ(dialogs.messages.back().text.toStdString(), c.message);
        EXPECT_EQ(dialogs.messages.back().icon, MessageIcon::Exclamation);
    }
}

TEST(SnmpSettingsInUse, nextPollGoesToTheNewAgent)
{
    QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));
    auto first = vimbo::test::startSim();
    auto second = vimbo::test::startSim({}, "127.1.1.2:0");
    ASSERT_TRUE(first && second);
    FakeDialogs dialogs;
    vimbo::test::FakeClock clock;
    frmMain main(dialogs, clock);
    main.frmMain_Form_Load();
    vimbo::test::aim(main.SnmpClient1(), *first);

    // Saved while a cycle is under way: the cycle ends on the agent it began
    // with, so that no sample mixes two probes; the next cycle reads the new one.
    ASSERT_TRUE(test::pollTick(main));
    ASSERT_TRUE(vimbo::test::waitFor([&] { return first->requests().size() >= 10u; }, 5000));
    frmSnmpConfig settings(main, dialogs, &main);
    settings.frmSnmpConfig_Form_Load();
    test::child<TextBox>(settings, QStringLiteral("txtVimboIP"))->setText(QStringLiteral("127.1.1.2"));
    test::child<TextBox>(settings, QStringLiteral("txtPort"))->setText(QString::number(second->port()));
    settings.frmSnmpConfig_OKButton_Click();
    ASSERT_EQ(settings.result(), QDialog::Accepted);
    ASSERT_TRUE(vimbo::test::runUntilIdle([&] { return main.cycleRunning(); }));
    EXPECT_EQ(first->requests().size(), 50u);
    EXPECT_TRUE(second->requests().empty());
    EXPECT_FALSE(main.pollFailed());
    ASSERT_TRUE(test::pollTick(main));
    ASSERT_TRUE(vimbo::test::runUntilIdle([&] { return main.cycleRunning(); }));
    EXPECT_EQ(first->requests().size(), 50u);
    EXPECT_EQ(second->requests().size(), 50u);
}
