// The surveillance configuration window: loading, editing, and writing to
// the simulated probe over loopback.
#include "Controls.h"
#include "FakeDialogs.h"
#include "MainStandIn.h"
#include "ProbeSimProcess.h"
#include "clsChannelset.h"
#include "frmSurveillanceConfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::FakeDialogs;
using vimbo::test::MainStandIn;
using vimbo::test::ProbeSimProcess;

namespace {

const std::string kRoot = ".1.3.6.1.4.1.32473.2.2";

class SurveillanceWindow : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English));
        plan = std::make_shared<clsChannelset>(dialogs);
        plan->setChanFile(QStringLiteral(VIMBO_CCIR_PLAN));
        ASSERT_TRUE(plan->loadChanFile());
        main.channelSet = plan;
        // What a poll of the simulator's default probe shows.
        main.alarmMER = 20;
        main.warnMER = 25;
        main.alarmVBER = 1e-4f;
        main.warnVBER = 1e-5f;
        main.alarmPower.fill(std::int16_t{40});
        main.warnPower.fill(std::int16_t{45});
        main.freqsKHz = {474000, 578000, 666000, 786000, 177500, 0};
        main.surveyed = {true, true, true, true, false, false};
    }

    void open()
    {
        window = std::make_unique<frmSurveillanceConfig>(main, dialogs, nullptr);
        window->frmSurveillanceConfig_Form_Load();
    }
    void startProbe(const std::vector<std::string>& args = {})
    {
        std::string error;
        sim = ProbeSimProcess::start(args, "127.0.0.1:0", &error);
        ASSERT_TRUE(sim) << error;
        aimAt(*sim);
    }
    void aimAt(const ProbeSimProcess& probe)
    {
        main.client.setAgent(probe.host());
        main.client.setPort(probe.port());
        main.client.setTimeout(100);
        main.client.setRetries(0);
    }
    template <typename T = TextBox>
    T* find(const QString& name)
    {
        T* widget = window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    TextBox* box(const char* name, int slot = -1) { return find(slot < 0 ? QLatin1String(name) : arrayName(name, slot)); }
    QComboBox* list(int slot) { return find<QComboBox>(arrayName("cmbChannel", slot)); }
    zemtra::Variant read(const std::string& object)
    {
        zemtra::Variant value;
        EXPECT_EQ(main.client.get(kRoot + object + ".0", value), zemtra::kOk) << object;
        return value;
    }
    // Answers the confirmation with OK (and anything after with the queue).
    void save(std::initializer_list<MessageAnswer> afterConfirm = {})
    {
        dialogs.answers = {MessageAnswer::Ok};
        dialogs.answers.insert(dialogs.answers.end(), afterConfirm);
        window->frmSurveillanceConfig_OKButton_Click();
    }

    FakeDialogs dialogs;
    MainStandIn main;
    std::shared_ptr<clsChannelset> plan;
    std::unique_ptr<frmSurveillanceConfig> window;
    std::unique_ptr<ProbeSimProcess> sim;
};

}  // namespace

TEST_F(SurveillanceWindow, opensWithWhatTheMainWindowShows)
{
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vimbo SNMP Demo Manager Surveillance Configuration"));
    EXPECT_EQ(box("txtThrAlarmMER")->text(), QStringLiteral("20"));
    EXPECT_EQ(box("txtThrAlarmVBER")->text(), QStringLiteral("1.00E-04"));
    EXPECT_EQ(box("txtThrWarnVBER")->text(), QStringLiteral("1.00E-05"));
    EXPECT_EQ(box("txtThrWarnChPower", 3)->text(), QStringLiteral("45"));
    EXPECT_EQ(list(0)->count(), 61);
    EXPECT_EQ(list(0)->itemText(0), QString());
    EXPECT_EQ(list(0)->itemText(1), QStringLiteral("E2"));
    EXPECT_EQ(list(1)->currentText(), QStringLiteral("34"));
    EXPECT_EQ(box("txtChFrequencyMHz", 1)->text(), QStringLiteral("578.00"));
    EXPECT_EQ(list(4)->currentText(), QStringLiteral("E5"));
    EXPECT_EQ(list(5)->currentIndex(), 0);  // 0 kHz: no channel, the text stays
    EXPECT_EQ(box("txtChFrequencyMHz", 5)->text(), QStringLiteral("0.00"));
    EXPECT_TRUE(find<QCheckBox>(arrayName("chkActivateSurvey", 3))->isChecked());
    EXPECT_FALSE(find<QCheckBox>(arrayName("chkActivateSurvey", 4))->isChecked());
    EXPECT_TRUE(box("txtThrAlarmChPower", 3)->isEnabled());
    EXPECT_FALSE(box("txtThrAlarmChPower", 4)->isEnabled());
    EXPECT_FALSE(list(4)->isEnabled());
    EXPECT_TRUE(find<QCheckBox>(arrayName("chkActivateSurvey", 4))->isEnabled());
}

TEST_F(SurveillanceWindow, opensEmptyFieldsBeforeAnyPollAndWithoutAPlan)
{
    main = MainStandIn{};
    main.surveyed.fill(false);
    open();  // no numbers, no plan: must not fail
    EXPECT_EQ(box("txtThrAlarmMER")->text(), QString());
    EXPECT_EQ(box("txtThrWarnVBER")->text(), QString());
    EXPECT_EQ(box("txtThrAlarmChPower", 0)->text(), QString());
    EXPECT_EQ(list(0)->count(), 1);
    EXPECT_FALSE(window->validateInputs());
    EXPECT_EQ(dialogs.messages.back().text,
              QStringLiteral("Invalid value\r\nVBER Alarm=[1e-7..1]\r\nThe field is empty; a number is needed"));
}

TEST_F(SurveillanceWindow, listAndFrequencyFollowEachOther)
{
    open();
    list(2)->setCurrentIndex(25);  // channel 34
    window->frmSurveillanceConfig_cmbChannel_Click(2);
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("578.00"));
    list(2)->setCurrentIndex(0);
    window->frmSurveillanceConfig_cmbChannel_Click(2);
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("578.00"));  // the empty entry changes nothing

    box("txtChFrequencyMHz", 2)->setText(QStringLiteral("855.25"));  // channel 69's video carrier
    window->frmSurveillanceConfig_txtChFrequencyMHz_Validate(2);
    EXPECT_EQ(list(2)->currentText(), QStringLiteral("69"));
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("858.00"));

    box("txtChFrequencyMHz", 2)->setText(QStringLiteral("500.10"));
    window->frmSurveillanceConfig_txtChFrequencyMHz_Validate(2);
    EXPECT_EQ(list(2)->currentIndex(), 0);
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("500.10"));

    box("txtChFrequencyMHz", 2)->setText(QStringLiteral("abc"));
    window->frmSurveillanceConfig_txtChFrequencyMHz_Validate(2);
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("abc"));
}

TEST_F(SurveillanceWindow, surveyBoxEnablesItsRow)
{
    open();
    auto* survey = find<QCheckBox>(arrayName("chkActivateSurvey", 1));
    survey->click();
    EXPECT_FALSE(list(1)->isEnabled());
    EXPECT_FALSE(box("txtChFrequencyMHz", 1)->isEnabled());
    EXPECT_FALSE(box("txtThrWarnChPower", 1)->isEnabled());
    survey->click();
    EXPECT_TRUE(list(1)->isEnabled());
    EXPECT_TRUE(box("txtThrAlarmChPower", 1)->isEnabled());
}

TEST_F(SurveillanceWindow, refusedFieldInAnUnsurveyedRowCanStillBeMended)
{
    open();
    window->show();
    QApplication::setActiveWindow(window.get());
    EXPECT_FALSE(window->validateInputs());  // slot 4 shows 177.50 MHz, below 450
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Invalid value\r\nCh 4 Freq=[450..875]"));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialogs.messages[0].title, window->windowTitle());
    EXPECT_TRUE(box("txtChFrequencyMHz", 4)->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), box("txtChFrequencyMHz", 4));
    EXPECT_FALSE(box("txtThrAlarmChPower", 4)->isEnabled());  // only the refused field
}

TEST_F(SurveillanceWindow, completeSaveWritesTwentyEightObjectsAndCloses)
{
    startProbe();
    open();
    box("txtChFrequencyMHz", 4)->setText(QStringLiteral("474.12"));
    box("txtChFrequencyMHz", 5)->setText(QStringLiteral("858.00"));
    box("txtThrAlarmMER")->setText(QStringLiteral("18.5"));
    box("txtThrWarnVBER")->setText(QStringLiteral("1.00E-07"));
    save();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Enviar la configuración?"));
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::OkCancel);

    const auto lines = sim->requests();
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[0], "SET kiminar " + kRoot + ".2.1 INTEGER 18");
    EXPECT_EQ(lines[3], "SET kiminar " + kRoot + ".2.4 INTEGER 1");
    EXPECT_EQ(lines[4], "SET kiminar " + kRoot + ".3.2 INTEGER 474000000");
    EXPECT_EQ(lines[23], "SET kiminar " + kRoot + ".7.1 INTEGER 0");  // slot 4 not surveyed
    EXPECT_EQ(lines[27], "SET kiminar " + kRoot + ".8.1 INTEGER 0");
    EXPECT_EQ(read(".7.2"), zemtra::Variant(std::int32_t{474120000}));
    EXPECT_EQ(read(".8.2"), zemtra::Variant(std::int32_t{858000000}));
    EXPECT_EQ(read(".2.1"), zemtra::Variant(std::int32_t{18}));
    EXPECT_EQ(read(".6.1"), zemtra::Variant(std::int32_t{1}));
}

TEST_F(SurveillanceWindow, nothingIsSentWithoutValidEntriesOrConfirmation)
{
    startProbe();
    open();
    window->frmSurveillanceConfig_OKButton_Click();  // slot 4's frequency is refused
    box("txtChFrequencyMHz", 4)->setText(QStringLiteral("474.00"));
    box("txtChFrequencyMHz", 5)->setText(QStringLiteral("474.00"));
    dialogs.answers = {MessageAnswer::Cancel};
    window->frmSurveillanceConfig_OKButton_Click();
    EXPECT_TRUE(sim->requests().empty());
    EXPECT_NE(window->result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(SurveillanceWindow, cancelAfterAFailedTenthRequestKeepsTheFirstNine)
{
    startProbe({"--error-oid", kRoot + ".4.6"});
    open();
    box("txtChFrequencyMHz", 4)->setText(QStringLiteral("474.00"));
    box("txtChFrequencyMHz", 5)->setText(QStringLiteral("474.00"));
    box("txtThrWarnChPower", 0)->setText(QStringLiteral("50"));
    save({MessageAnswer::Cancel});
    EXPECT_EQ(sim->requests().size(), 10u);
    EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("Error configuring equipment"));
    EXPECT_EQ(dialogs.messages.back().buttons, MessageButtons::RetryCancel);
    EXPECT_NE(window->result(), QDialog::Accepted);
    EXPECT_EQ(read(".3.7"), zemtra::Variant(std::int32_t{50}));  // the 7th request took
}

TEST_F(SurveillanceWindow, retryResendsTheFailedObjectAndGoesOn)
{
    startProbe({"--error-oid", kRoot + ".4.6"});
    std::string error;
    auto healthy = ProbeSimProcess::start({}, "127.0.0.1:0", &error);
    ASSERT_TRUE(healthy) << error;
    open();
    box("txtChFrequencyMHz", 4)->setText(QStringLiteral("474.00"));
    box("txtChFrequencyMHz", 5)->setText(QStringLiteral("474.00"));
    box("txtThrAlarmChPower", 1)->setText(QStringLiteral("41"));
    // While the failure box is up the fault goes away: the probe answers again.
    dialogs.onMessage = [&](const FakeDialogs::Message& message) {
        if (message.text == QStringLiteral("Error configuring equipment"))
            aimAt(*healthy);
    };
    save({MessageAnswer::Retry});
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(sim->requests().size(), 10u);
    const auto lines = healthy->requests();
    ASSERT_EQ(lines.size(), 19u);  // the tenth again, then the eleventh to the 28th
    EXPECT_EQ(lines[0], "SET kiminar " + kRoot + ".4.6 INTEGER 41");
    EXPECT_EQ(lines[1], "SET kiminar " + kRoot + ".4.7 INTEGER 45");
}
