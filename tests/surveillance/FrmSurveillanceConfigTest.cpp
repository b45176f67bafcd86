// The surveillance configuration window: loading, editing, and writing to
// the simulated probe over loopback.
#include "widgets/Controls.h"
#include "FakeDialogs.h"
#include "MainStandIn.h"
#include "PollCycle.h"
#include "SimulatedProbe.h"
#include "Widgets.h"
#include "channels/clsChannelset.h"
#include "surveillance/frmSurveillanceConfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::FakeDialogs;
using vimbo::test::MainStandIn;
using vimbo::test::ProbeSimProcess;

namespace {

const std::string& kRoot = vimbo::test::kProbeRoot;

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
        sim = test::startSim(args);
        ASSERT_TRUE(sim);
        test::aim(main.client, *sim);
        main.client.setRetries(0);
    }
    // Types into a box as a person would: focus, select all, keys.
    void type(TextBox* target, const QString& text)
    {
        if (!target->isEnabled())
            return target->setText(text);  // an unsurveyed row takes no keys
        target->setFocus();
        target->selectAll();
        QTest::keyClicks(target, text);
    }
    template <typename T = TextBox>
    T* find(const QString& name) { return test::child<T>(*window, name); }
    TextBox* box(const char* name, int slot = -1) { return find(slot < 0 ? QLatin1String(name) : arrayName(name, slot)); }
    QComboBox* list(int slot) { return find<QComboBox>(arrayName("cmbChannel", slot)); }
    // Answers the confirmation with OK (and anything after with the queue).
    void save(std::initializer_list<MessageAnswer> afterConfirm = {})
    {
        dialogs.answers = {MessageAnswer::Ok};
        dialogs.answers.insert(dialogs.answers.end(), afterConfirm);
        window->frmSurveillanceConfig_OKButton_Click();
        ASSERT_TRUE(test::runUntilIdle([&] { return window->isWriting(); }));
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
    EXPECT_EQ(box("txtThrWarnVBER")->text(), QStringLiteral("1.00E-05"));
    EXPECT_EQ(box("txtThrWarnChPower", 3)->text(), QStringLiteral("45"));
    EXPECT_EQ(list(0)->count(), 61);  // the empty entry and the plan's 60 channels
    EXPECT_EQ(list(1)->currentText(), QStringLiteral("34"));
    EXPECT_EQ(box("txtChFrequencyMHz", 1)->text(), QStringLiteral("578.00"));
    EXPECT_EQ(list(5)->currentIndex(), 0);  // 0 kHz: no channel, the text stays
    EXPECT_EQ(box("txtChFrequencyMHz", 5)->text(), QStringLiteral("0.00"));
    EXPECT_TRUE(box("txtThrAlarmChPower", 3)->isEnabled());
    EXPECT_FALSE(box("txtThrAlarmChPower", 4)->isEnabled());
    EXPECT_FALSE(list(4)->isEnabled());

    main = MainStandIn{};  // before any poll, without a plan: empty fields, no failure
    open();
    EXPECT_EQ(box("txtThrAlarmMER")->text(), QString());
    EXPECT_EQ(list(0)->count(), 1);
    EXPECT_FALSE(window->validateInputs());
    EXPECT_EQ(dialogs.messages.back().text,
              QStringLiteral("Invalid value\r\nVBER Alarm=[1e-7..1]\r\nThe field is empty; a number is needed"));
}

TEST_F(SurveillanceWindow, listFrequencySurveyBoxAndEscapeAnswerThePersonsEvents)
{
    open();
    window->show();
    QApplication::setActiveWindow(window.get());
    list(2)->setFocus();
    QTest::keyClick(list(2), Qt::Key_Down);  // channel 45 -> 46
    EXPECT_EQ(list(2)->currentText(), QStringLiteral("46"));
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("674.00"));

    type(box("txtChFrequencyMHz", 2), QStringLiteral("855.25"));  // channel 69's video carrier
    box("txtThrAlarmMER")->setFocus();  // the frequency box loses the focus
    EXPECT_EQ(list(2)->currentText(), QStringLiteral("69"));
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("858.00"));
    type(box("txtChFrequencyMHz", 2), QStringLiteral("500.10"));
    box("txtThrAlarmMER")->setFocus();
    EXPECT_EQ(list(2)->currentIndex(), 0);
    EXPECT_EQ(box("txtChFrequencyMHz", 2)->text(), QStringLiteral("500.10"));

    find<QCheckBox>(arrayName("chkActivateSurvey", 1))->click();
    EXPECT_FALSE(list(1)->isEnabled());
    EXPECT_FALSE(box("txtThrWarnChPower", 1)->isEnabled());

    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SurveillanceWindow, saveWritesTheTwentyEightObjectsFromTheirOwnFieldsInACommaLocale)
{
    QLocale::setDefault(QLocale(QLocale::Spanish));
    startProbe();
    open();
    EXPECT_EQ(box("txtThrAlarmVBER")->text(), QStringLiteral("1,00E-04"));
    // A distinct value in every field, so that any field written to another object shows.
    type(box("txtThrAlarmMER"), QStringLiteral("18,5"));
    type(box("txtThrWarnMER"), QStringLiteral("23"));
    type(box("txtThrAlarmVBER"), QStringLiteral("3,00E-04"));
    type(box("txtThrWarnVBER"), QStringLiteral("2,00E-06"));
    for (int s = 0; s < 6; ++s) {
        type(box("txtChFrequencyMHz", s), QString::number(474 + 8 * s) + QStringLiteral(",12"));
        type(box("txtThrAlarmChPower", s), QString::number(30 + s));
        type(box("txtThrWarnChPower", s), QString::number(40 + s));
    }
    save();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Enviar la configuración?"));

    std::vector<std::string> expected{"2.1 INTEGER 18", "2.2 INTEGER 23", "2.3 INTEGER 3000", "2.4 INTEGER 20"};
    for (int s = 0; s < 6; ++s) {
        const std::string group = std::to_string(s + 3) + ".";
        expected.push_back(group + "2 INTEGER " + std::to_string(474120000 + 8000000 * s));
        expected.push_back(group + "6 INTEGER " + std::to_string(30 + s));
        expected.push_back(group + "7 INTEGER " + std::to_string(40 + s));
        expected.push_back(group + "1 INTEGER " + (s < 4 ? "1" : "0"));
    }
    for (std::string& line : expected)
        line = "SET kiminar " + kRoot + "." + line;
    EXPECT_EQ(sim->requests(), expected);
}

TEST_F(SurveillanceWindow, aRefusedFieldTakesTheFocusEvenInAnUnsurveyedRowAndNothingIsSent)
{
    startProbe();
    open();
    window->show();
    QApplication::setActiveWindow(window.get());
    window->frmSurveillanceConfig_OKButton_Click();  // slot 4 shows 177.50 MHz, below 450
    EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("Invalid value\r\nCh 4 Freq=[450..875]"));
    EXPECT_EQ(dialogs.messages.back().icon, MessageIcon::Exclamation);
    EXPECT_EQ(QApplication::focusWidget(), box("txtChFrequencyMHz", 4));  // enabled to be mended
    EXPECT_FALSE(box("txtThrAlarmChPower", 4)->isEnabled());  // only the refused field
    box("txtChFrequencyMHz", 4)->setText(QStringLiteral("474.00"));
    box("txtChFrequencyMHz", 5)->setText(QStringLiteral("474.00"));
    dialogs.answers = {MessageAnswer::Cancel};  // and the confirmation refused
    window->frmSurveillanceConfig_OKButton_Click();
    EXPECT_TRUE(sim->requests().empty());
    EXPECT_NE(window->result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(SurveillanceWindow, aFailedRequestOffersRetryFromItOrCancelKeepingWhatWasWritten)
{
    startProbe({"--error-oid", kRoot + ".4.6"});
    auto healthy = test::startSim();
    ASSERT_TRUE(healthy);
    open();
    box("txtChFrequencyMHz", 4)->setText(QStringLiteral("474.00"));
    box("txtChFrequencyMHz", 5)->setText(QStringLiteral("474.00"));
    box("txtThrAlarmChPower", 1)->setText(QStringLiteral("41"));
    save({MessageAnswer::Cancel});
    EXPECT_EQ(sim->requests().size(), 10u);  // stopped at the tenth
    EXPECT_EQ(main.written, (std::vector<std::pair<std::size_t, std::size_t>>{{9, 28}}));  // for the journal
    EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("Error configuring equipment"));
    EXPECT_EQ(dialogs.messages.back().buttons, MessageButtons::RetryCancel);
    EXPECT_NE(window->result(), QDialog::Accepted);

    // While the failure box is up the fault goes away: the probe answers again.
    dialogs.onMessage = [&](const FakeDialogs::Message& message) {
        if (message.text == QStringLiteral("Error configuring equipment"))
            test::aim(main.client, *healthy);
    };
    save({MessageAnswer::Retry});
    EXPECT_EQ(window->result(), QDialog::Accepted);
    const auto lines = healthy->requests();
    ASSERT_EQ(lines.size(), 19u);  // the tenth again, then the eleventh to the 28th
    EXPECT_EQ(main.written.back(), std::make_pair(std::size_t{28}, std::size_t{28}));
    EXPECT_EQ(lines[0], "SET kiminar " + kRoot + ".4.6 INTEGER 41");
    EXPECT_EQ(lines[1], "SET kiminar " + kRoot + ".4.7 INTEGER 45");
}

TEST_F(SurveillanceWindow, whileSaveWritesTheWindowShowsItIsBusyAndDoesNotClose)
{
    startProbe({"--delay-ms", "20"});
    open();
    window->show();
    box("txtChFrequencyMHz", 4)->setText(QStringLiteral("474.00"));
    box("txtChFrequencyMHz", 5)->setText(QStringLiteral("474.00"));
    dialogs.answers = {MessageAnswer::Ok};
    find<QPushButton>(QStringLiteral("OKButton"))->click();
    ASSERT_TRUE(window->isWriting());  // the click returned with the writes under way
    EXPECT_FALSE(find<QPushButton>(QStringLiteral("OKButton"))->isEnabled());
    EXPECT_FALSE(find<QPushButton>(QStringLiteral("CancelButton"))->isEnabled());
    EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
    QTest::keyClick(window.get(), Qt::Key_Escape);  // half a configuration is not left behind
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(test::runUntilIdle([&] { return window->isWriting(); }));
    EXPECT_EQ(sim->requests().size(), 28u);
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_NE(window->cursor().shape(), Qt::BusyCursor);
}
