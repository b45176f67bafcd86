// The main window against the probe simulator over loopback, its timer
// handlers driven directly.
#include "widgets/Controls.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "WaitFor.h"
#include "PollCycle.h"
#include "SimulatedProbe.h"
#include "SnmpClient.h"
#include "TestFiles.h"
#include "Widgets.h"
#include "channels/channelsCollection.h"
#include "channels/clsChannelset.h"
#include "core/Notifier.h"
#include "eventslog/frmEventsLog.h"
#include "main/frmMain.h"
#include "chart/frmMeasChart.h"
#include "surveillance/frmSurveillanceConfig.h"
#include "snmpsettings/frmSnmpConfig.h"

#include "chart/ChartControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QCheckBox>
#include <QTest>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::waitFor;
using vimbo::test::FakeClock;
using vimbo::test::FakeDialogs;
using vimbo::test::ProbeSimProcess;
using vimbo::test::writeFile;
const std::string& kRoot = vimbo::test::kProbeRoot;

namespace {

// A static probe: default values, alarm flags (by default lighting slot 0's
// two lamps and slot 5's alarm lamp), and the unsurveyed slots on a band III
// channel and on no channel at all.
QString staticProbeFile(const QTemporaryDir& folder, const char* flags = "2101")
{
    return writeFile(folder, QStringLiteral("probe.txt"),
                     QByteArray::fromStdString(kRoot + ".1.4.0 " + flags + "\n" + kRoot + ".7.2.0 177500000\n" +
                                               kRoot + ".8.2.0 0\n"));
}

// Counts what would reach the desktop, as "title | text | urgency" lines.
struct CountingNotifier final : Notifier {
    QStringList told;
    void notify(QWidget&, const Notification& n) override
    {
        told << n.title + QStringLiteral(" | ") + n.text +
                    (n.urgency == Notification::Critical ? QStringLiteral(" | critical") : QStringLiteral(" | normal"));
    }
};

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(folder.isValid());
        QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));  // where CCIR.can is
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    void startProbe(std::vector<std::string> args = {}, bool fixedValues = true, const char* flags = "2101")
    {
        if (fixedValues)
            args.insert(args.begin(), {"--static", staticProbeFile(folder, flags).toStdString()});
        sim = test::startSim(args);
        ASSERT_TRUE(sim);
        test::aim(window.SnmpClient1(), *sim);
    }

    template <typename T = QLineEdit>
    T* find(const QString& name) { return test::child<T>(window, name); }
    QString text(const QString& name) { return find(name)->text(); }
    QString slotText(const char* name, int s) { return text(arrayName(name, s)); }
    QColor lamp(const char* name, int s) { return find<LampShape>(arrayName(name, s))->fillColor(); }
    void expectEveryLampDark(frmMain& shown)
    {
        for (int s = 0; s < 6; ++s) {
            EXPECT_EQ(test::child<LampShape>(shown, arrayName("ledAlarm", s))->fillColor(), QColor(64, 0, 0)) << s;
            EXPECT_EQ(test::child<LampShape>(shown, arrayName("ledWarning", s))->fillColor(), QColor(64, 48, 48)) << s;
        }
    }
    QStringList logLines() { return test::lineTexts(*test::child<QListWidget>(window.eventsLog(), "lstMsgs")); }
    void poll() { ASSERT_TRUE(test::pollCycle(window)); }

    QTemporaryDir folder;
    FakeDialogs dialogs;
    FakeClock clock;
    frmMain window{dialogs, clock};
    std::unique_ptr<ProbeSimProcess> sim;
};

}  // namespace

TEST_F(MainWindow, startsFromItsStoredAgentWithEveryLampDarkAndThePlanLoaded)
{
    EXPECT_EQ(window.SnmpClient1().Agent(), "127.10.10.10");
    EXPECT_EQ(window.SnmpClient1().Port(), 161);
    EXPECT_FALSE(find<QMenu>(QStringLiteral("menuSurveillance"))->isEnabled());
    EXPECT_FALSE(find<QToolButton>(QStringLiteral("btnShowChart"))->isEnabled());
    expectEveryLampDark(window);  // until the first flags: no alarm was reported
    EXPECT_EQ(window.ThrAlarmMER(), std::nullopt);  // the placeholder is no number
    for (std::int16_t s = 0; s < 6; ++s)
        EXPECT_FALSE(window.IsChannelSurveyed(s)) << s;  // no cycle has painted a row yet
    window.frmMain_Form_Load();
    EXPECT_EQ(window.ChannelSet()->channelsCollection()->Count(), 60);
    EXPECT_FALSE(window.measChart().isVisible());
    EXPECT_FALSE(window.eventsLog().isVisible());
}

TEST_F(MainWindow, completeCycleReadsFiftyObjectsInOrderAndShowsThem)
{
    window.frmMain_Form_Load();
    startProbe();
    ASSERT_TRUE(test::pollTick(window));
    poll();  // a tick while the cycle runs is skipped: still one cycle of 50 (their order is the poller's test)
    ASSERT_EQ(sim->requests().size(), 50u);
    EXPECT_EQ(sim->requests().front(), "GET tavelo " + kRoot + ".1.1.0 NULL");  // with the read community

    EXPECT_TRUE(find<QMenu>(QStringLiteral("menuSurveillance"))->isEnabled());
    EXPECT_TRUE(find<QToolButton>(QStringLiteral("btnShowChart"))->isEnabled());
    const std::pair<const char*, const char*> shown[] = {
        {"txtVimboName", "VIMBO-SIM"},       {"txtVimboIPN", "IPN-0001"},      {"txtVimboVersion", "v01.02.03"},
        {"txtThrAlarmMER", "20"},            {"txtThrWarnMER", "25"},          {"txtThrAlarmVBER", "1.00E-04"},
        {"txtThrWarnVBER", "1.00E-05"},      {"txtLeds_0", "(Ch21) 474.00MHz"}, {"txtLeds_4", "(ChE5) 177.50MHz"},
        {"txtLeds_5", "0.00MHz"},            {"txtMeasPower_1", "50.50"},      {"txtMeasMER_3", "25.20"},
        {"txtMeasVBER_0", "2.00E-07"},       {"txtMeasVBER_5", "0.00E+00"},    {"txtThrAlarmChPower_2", "40"},
        {"txtThrWarnChPower_2", "45"},
    };
    for (const auto& [box, text] : shown)
        EXPECT_EQ(this->text(QLatin1String(box)).toStdString(), text) << box;
    for (std::int16_t s = 0; s < 6; ++s) {
        const bool surveyed = s < 4;
        EXPECT_EQ(window.IsChannelSurveyed(s), surveyed) << s;
        const QColor row = surveyed ? QColor(255, 255, 255) : QColor(192, 192, 192);
        for (const char* box : {"txtLeds", "txtMeasPower", "txtMeasMER", "txtMeasVBER", "txtThrAlarmChPower",
                                "txtThrWarnChPower"})
            EXPECT_EQ(find<TextBox>(arrayName(box, s))->backColor(), row) << box << s;
    }
    // Flags 2101: slot 0 warning and alarm, slot 5 alarm.
    EXPECT_EQ(lamp("ledWarning", 0), QColor(255, 192, 128));
    EXPECT_EQ(lamp("ledAlarm", 0), QColor(255, 0, 0));
    EXPECT_EQ(lamp("ledAlarm", 5), QColor(255, 0, 0));
    EXPECT_EQ(lamp("ledWarning", 5), QColor(64, 48, 48));
    EXPECT_EQ(lamp("ledAlarm", 1), QColor(64, 0, 0));
    EXPECT_EQ(window.SurveyedFreqsKHz(), (std::array<std::int32_t, 6>{474000, 578000, 666000, 786000, 177500, 0}));

    auto* chartBox = test::child<QCheckBox>(window.measChart(), QStringLiteral("chkChannel_0"));
    // The chart's timer shows the surveyed slots and hides the others.
    EXPECT_TRUE(waitFor([&] { return chartBox->isChecked() && window.measChart().chart().seriesHidden(5); }, 3000));
    for (int series = 1; series <= 6; ++series)
        EXPECT_EQ(window.measChart().chart().seriesHidden(series), series > 4) << series;
    const MeasureHistory& history = window.measChart().history();
    EXPECT_EQ(history.count(history.insertInd()), 1.0f);
    EXPECT_FLOAT_EQ(history.value(history.insertInd(), 0, 1), 50.5f);
    EXPECT_FLOAT_EQ(history.value(history.insertInd(), 2, 0), 2e-7f);
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(MainWindow, timersPollEveryThreeSecondsAndBlinkTheWarningsButtonEvery800Ms)
{
    auto* button = find<QPushButton>(QStringLiteral("btnWarnings"));
    // Which triangle the button shows, told by its fill: yellow (255, 214, 0) or grey (168, 168, 168).
    const auto picture = [&]() -> std::string {
        const QImage shown = button->icon().pixmap(button->iconSize()).toImage();
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (const QColor c = shown.pixelColor(x, y); c == QColor(255, 214, 0) || c == QColor(168, 168, 168))
                    return c.red() == 255 ? "yellow" : "grey";
        return button->icon().isNull() ? "none" : "other";
    };
    startProbe({"--silent"});
    window.SnmpClient1().setTimeout(5);
    window.SnmpClient1().setRetries(0);
    QElapsedTimer clock;
    window.frmMain_Form_Load();
    clock.start();
    EXPECT_EQ(picture(), "none");  // blank until the first blink tick
    EXPECT_TRUE(waitFor([&] { return picture() != "none"; }, 2000));
    EXPECT_GE(clock.elapsed(), 700);
    EXPECT_EQ(picture(), "grey");  // steady grey while nothing failed
    EXPECT_TRUE(waitFor([&] { return !sim->requests().empty(); }, 4000));  // the first cycle, 3 s after the start
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_TRUE(waitFor([&] { return logLines().size() == 1; }, 1000));  // after its one 50 ms time-out
    EXPECT_TRUE(waitFor([&] { return picture() == "yellow"; }, 1000));  // then yellow and grey in turn
    EXPECT_TRUE(waitFor([&] { return picture() == "grey"; }, 1000));

    sim.reset();
    startProbe();
    window.SnmpClient1().setTimeout(100);
    EXPECT_TRUE(waitFor([&] { return !window.pollFailed(); }, 4000));  // the next cycle completes
    QTest::qWait(900);
    EXPECT_EQ(picture(), "grey");  // and the button is grey again
}

TEST_F(MainWindow, closingTheMainWindowEndsTheProgramWhileTheOtherWindowsAreShown)
{
    window.frmMain_Form_Load();
    window.show();
    startProbe();
    poll();  // the chart's button is enabled by the first good cycle
    find<QPushButton>(QStringLiteral("btnWarnings"))->click();
    find<QToolButton>(QStringLiteral("btnShowChart"))->click();
    EXPECT_TRUE(window.eventsLog().isVisible());
    EXPECT_EQ(window.eventsLog().parentWidget(), &window);
    EXPECT_TRUE(window.measChart().isVisible());
    EXPECT_EQ(window.measChart().parentWidget(), nullptr);
    QTimer::singleShot(0, &window, [this] { window.close(); });
    QTimer::singleShot(3000, [] { QApplication::exit(1); });  // a program still running 3 s on
    EXPECT_EQ(QApplication::exec(), 0);  // the program's loop returns: it does not wait for the others
    EXPECT_FALSE(find<QTimer>(QStringLiteral("tmrVimboPollingAlarms"))->isActive());
}

TEST_F(MainWindow, aNewcomerSavesTheDefaultProbesConfigurationUnchanged)
{
    window.frmMain_Form_Load();
    startProbe({}, false);
    poll();
    frmSurveillanceConfig surveillance(window, dialogs, &window);
    surveillance.frmSurveillanceConfig_Form_Load();
    dialogs.answers.push_back(MessageAnswer::Ok);  // "Enviar la configuración?"
    test::child<QPushButton>(surveillance, QStringLiteral("OKButton"))->click();
    ASSERT_TRUE(test::runUntilIdle([&] { return surveillance.isWriting(); }));
    ASSERT_EQ(dialogs.messages.size(), 1u) << dialogs.messages.back().text.toStdString();
    // Each of the 28 writes gives the probe back the value it had, as an untouched probe still
    // holds it: "SET community OID INTEGER N".
    const auto untouched = test::startSim();
    ASSERT_TRUE(untouched);
    zemtra::SnmpClient reader = test::clientFor(*untouched);
    int sets = 0;
    for (const std::string& request : sim->requests()) {
        if (request.rfind("SET", 0) != 0)
            continue;
        ++sets;
        SCOPED_TRACE(request);
        const auto fields = QString::fromStdString(request).split(QLatin1Char(' '));
        ASSERT_EQ(fields.size(), 5);
        EXPECT_EQ(fields[3], QStringLiteral("INTEGER"));
        zemtra::Variant had;
        ASSERT_EQ(reader.get(fields[2].toStdString() + ".0", had), zemtra::kOk);
        EXPECT_EQ(had.toNumber(), fields[4].toDouble());
    }
    EXPECT_EQ(sets, 28);
}

TEST_F(MainWindow, hostileAnswersAreShownOrLoggedAndPollingGoesOn)
{
    window.frmMain_Form_Load();
    const std::string name = kRoot + ".1.1.0";
    struct Case {
        std::vector<std::string> fault;
        QString nameShown;  // its start
    };
    for (const Case& c : {Case{{"--oversize", name + "=65000"}, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZABCD")},
                          Case{{"--long-name", name}, QStringLiteral("VIMBO-SIM")},
                          Case{{"--reply-from-other-port"}, QStringLiteral("VIMBO-SIM")},
                          Case{{"--duplicate-replies"}, QStringLiteral("VIMBO-SIM")},
                          Case{{"--oversize", kRoot + ".3.3.0=65000"}, QString()}}) {
        SCOPED_TRACE(c.fault.size() > 1 ? c.fault[0] + " " + c.fault[1] : c.fault[0]);
        startProbe(c.fault);
        poll();
        const bool fails = c.nameShown.isEmpty();  // a measure that is no number fails the cycle
        EXPECT_EQ(window.pollFailed(), fails);
        EXPECT_EQ(logLines().size(), fails ? 1 : 0);
        if (!fails) {
            EXPECT_TRUE(text(QStringLiteral("txtVimboName")).startsWith(c.nameShown));
        }
        sim.reset();
        startProbe();  // and the next good cycle recovers
        poll();
        EXPECT_FALSE(window.pollFailed());
        EXPECT_EQ(text(QStringLiteral("txtVimboName")), QStringLiteral("VIMBO-SIM"));
        window.eventsLog().frmEventsLog_btnRemoveAll_Click();
        sim.reset();
    }
}

TEST_F(MainWindow, theWindowAnswersWhileARequestWaitsAndClosingWaitsOneTimeOutAtMost)
{
    auto window = std::make_unique<frmMain>(dialogs, clock);
    window->frmMain_Form_Load();
    sim = test::startSim({"--silent"});
    ASSERT_TRUE(sim);
    test::aim(window->SnmpClient1(), *sim);
    window->SnmpClient1().setTimeout(150);  // 1.5 s a try, three tries
    window->SnmpClient1().setRetries(2);
    ASSERT_TRUE(test::pollTick(*window));
    EXPECT_TRUE(window->cycleRunning());  // the tick returned with its request under way
    bool answered = false;
    QTimer::singleShot(50, [&] { answered = true; });
    EXPECT_TRUE(waitFor([&] { return answered; }, 1000));
    EXPECT_TRUE(window->cycleRunning());
    ASSERT_TRUE(test::pollTick(*window));  // a tick during the cycle is skipped
    EXPECT_TRUE(waitFor([&] { return sim->requests().size() >= 2; }, 3000));  // the first retry
    EXPECT_EQ(sim->requests().size(), 2u);
    expectEveryLampDark(*window);  // a probe that never answered lit no lamp
    QElapsedTimer closing;
    closing.start();
    window.reset();
    EXPECT_LT(closing.elapsed(), 1600);  // not the 3 s of the tries left
}

TEST_F(MainWindow, aLostProbeAndItsReturnAreToldOnceNamingTheProbe)
{
    CountingNotifier notifier;
    window.setNotifier(&notifier);
    window.frmMain_Form_Load();
    sim = test::startSim({"--silent"});
    ASSERT_TRUE(sim);
    test::aim(window.SnmpClient1(), *sim);
    window.SnmpClient1().setTimeout(5);
    window.SnmpClient1().setRetries(0);
    const QString where = QStringLiteral("127.0.0.1:") + QString::number(sim->port());
    poll();
    poll();  // still lost: told once, before any name was reported
    EXPECT_EQ(notifier.told, QStringList({"Probe at " + where + " | The probe does not answer | normal"}));

    sim.reset();  // the same probe back where it was
    sim = test::startSim({"--static", staticProbeFile(folder, "0100").toStdString()}, where.toStdString());
    ASSERT_TRUE(sim);
    poll();
    poll();  // answering on: nothing more
    EXPECT_EQ(notifier.told, QStringList({"Probe at " + where + " | The probe does not answer | normal",
                                          "VIMBO-SIM at " + where + " | Alarm on (Ch21) 474.00MHz | critical",
                                          "VIMBO-SIM at " + where + " | The probe answers again | normal"}));

    frmMain fresh(dialogs, clock);  // a probe that answers from the start is not "back"
    CountingNotifier quiet;
    fresh.setNotifier(&quiet);
    fresh.frmMain_Form_Load();
    test::aim(fresh.SnmpClient1(), *sim);
    ASSERT_TRUE(test::pollCycle(fresh));
    EXPECT_EQ(quiet.told, QStringList({"VIMBO-SIM at " + where + " | Alarm on (Ch21) 474.00MHz | critical"}));

    sim.reset();  // the alarm gone: its clear is told too, the lit warning's is not
    sim = test::startSim({"--static", staticProbeFile(folder, "0000").toStdString()}, where.toStdString());
    ASSERT_TRUE(sim);
    ASSERT_TRUE(test::pollCycle(fresh));
    EXPECT_EQ(quiet.told, QStringList({"VIMBO-SIM at " + where + " | Alarm on (Ch21) 474.00MHz | critical",
                                       "VIMBO-SIM at " + where + " | Alarm cleared on (Ch21) 474.00MHz | normal"}));
}

// What the operator sees of a box: its pixels.
static QImage look(QWidget* box) { return box->grab().toImage(); }

TEST_F(MainWindow, valuesNotReadSinceTheProbeFailedLookOldUntilACompleteCycle)
{
    window.frmMain_Form_Load();
    auto* name = find(QStringLiteral("txtVimboName"));
    auto* power0 = find(arrayName("txtMeasPower", 0));
    auto* threshold4 = find(arrayName("txtThrAlarmChPower", 4));
    const QImage placeholder = look(threshold4);  // "999", never read
    // Slot 4, surveyed as at start-up, has an alarm threshold of 999 dBuV: the placeholder's own text, read.
    const std::string probe = writeFile(folder, QStringLiteral("probe999.txt"),
                                        QByteArray::fromStdString(kRoot + ".1.4.0 2101\n" + kRoot + ".7.1.0 1\n" +
                                                                  kRoot + ".7.6.0 999\n"))
                                  .toStdString();
    sim = test::startSim({"--static", probe});
    ASSERT_TRUE(sim);
    test::aim(window.SnmpClient1(), *sim);
    const std::string where = "127.0.0.1:" + std::to_string(sim->port());
    poll();
    ASSERT_EQ(threshold4->text(), QStringLiteral("999"));
    const QImage live0 = look(power0), live4 = look(threshold4), liveName = look(name);
    EXPECT_NE(placeholder, live4);  // the same text, drawn unlike a reading

    // Failing at slot 3's power: what the cycle read before is current, the rest old.
    sim.reset();
    sim = test::startSim({"--static", probe, "--error-oid", kRoot + ".6.3.0"}, where);
    ASSERT_TRUE(sim);
    const MeasureHistory& history = window.measChart().history();
    const float samples = history.count(history.insertInd());
    poll();
    ASSERT_TRUE(window.pollFailed());
    EXPECT_EQ(logLines(), QStringList({"14:05.33-Error in SNMP get request"}));
    EXPECT_EQ(history.count(history.insertInd()), samples);  // a failed cycle gives the chart nothing
    EXPECT_TRUE(find<QTimer>(QStringLiteral("tmrVimboPollingAlarms"))->isActive());
    EXPECT_EQ(look(power0), live0);
    EXPECT_EQ(look(name), liveName);
    EXPECT_EQ(look(threshold4), placeholder);
    EXPECT_EQ(threshold4->text(), QStringLiteral("999"));  // no text changes

    sim.reset();
    sim = test::startSim({"--static", probe}, where);
    ASSERT_TRUE(sim);
    poll();
    EXPECT_EQ(look(threshold4), live4);  // as if there had been no outage

    // Another agent: the first probe's values never stand under it, even before its first answer.
    auto other = test::startSim({"--silent"});
    ASSERT_TRUE(other);
    test::aim(window.SnmpClient1(), *other);
    window.SnmpClient1().setTimeout(5);
    window.SnmpClient1().setRetries(0);
    poll();
    EXPECT_NE(look(name), liveName);
    EXPECT_NE(look(power0), live0);
}

TEST_F(MainWindow, savingDropsTheCycleUnderWayPollsAfterItAndDefersClosingTheWindow)
{
    window.frmMain_Form_Load();
    window.show();
    startProbe({"--delay-ms", "20"}, false);
    poll();
    frmSurveillanceConfig surveillance(window, dialogs, &window);
    surveillance.frmSurveillanceConfig_Form_Load();
    auto* merAlarm = test::child<TextBox>(surveillance, QStringLiteral("txtThrAlarmMER"));
    merAlarm->setText(QStringLiteral("17"));
    const auto samples = window.measChart().history().count(window.measChart().history().insertInd());
    sim->clearRequests();

    ASSERT_TRUE(test::pollTick(window));
    ASSERT_TRUE(waitFor([&] { return sim->requests().size() >= 3; }, 5000));
    dialogs.answers.push_back(MessageAnswer::Ok);  // "Enviar la configuración?"
    surveillance.frmSurveillanceConfig_OKButton_Click();
    ASSERT_TRUE(surveillance.isWriting());
    EXPECT_FALSE(window.close());  // told, not dropped: it waits for the write
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(test::runUntilIdle([&] {
        test::pollTick(window);  // ticks meanwhile start nothing
        return surveillance.isWriting();
    }));
    EXPECT_FALSE(window.isVisible());  // closed once the write ended

    poll();
    std::vector<std::pair<std::string, int>> runs;  // each run of one kind of request, and its length
    for (const std::string& request : sim->requests()) {
        if (runs.empty() || runs.back().first != request.substr(0, 3))
            runs.emplace_back(request.substr(0, 3), 0);
        ++runs.back().second;
    }
    ASSERT_EQ(runs.size(), 3u);  // never interleaved
    EXPECT_EQ(runs[0].first, "GET");
    EXPECT_LT(runs[0].second, 50);  // the dropped cycle's few
    EXPECT_EQ(runs[1], std::make_pair(std::string("SET"), 28));
    EXPECT_EQ(runs[2], std::make_pair(std::string("GET"), 50));
    EXPECT_EQ(text(QStringLiteral("txtThrAlarmMER")), QStringLiteral("17"));  // the cycle after reads what was written
    EXPECT_EQ(window.measChart().history().count(window.measChart().history().insertInd()), samples + 1);
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(MainWindow, anAgentChangeShowsNoneOfTheOldProbesLampsValuesOrNameUntilTheNewOneAnswers)
{
    CountingNotifier notifier;
    window.setNotifier(&notifier);
    window.frmMain_Form_Load();
    startProbe();  // flags 2101: slot 0's two lamps and slot 5's alarm lamp lit
    poll();
    ASSERT_EQ(lamp("ledAlarm", 5), QColor(255, 0, 0));
    const auto silent = test::startSim({"--silent"});
    ASSERT_TRUE(silent);
    frmSnmpConfig settings(window, dialogs, &window);
    settings.frmSnmpConfig_Form_Load();
    test::child<TextBox>(settings, QStringLiteral("txtVimboIP"))->setText(QString::fromStdString(silent->host()));
    test::child<TextBox>(settings, QStringLiteral("txtPort"))->setText(QString::number(silent->port()));
    test::child<TextBox>(settings, QStringLiteral("txtTimeout10ms"))->setText(QStringLiteral("5"));
    test::child<TextBox>(settings, QStringLiteral("txtRetries"))->setText(QStringLiteral("0"));
    settings.frmSnmpConfig_OKButton_Click();
    ASSERT_EQ(window.SnmpClient1().Port(), silent->port());
    notifier.told.clear();
    for (int cycle = 0; cycle < 12; ++cycle) {  // 35 s and more of a silent new probe
        clock.advance(3);
        poll();
        expectEveryLampDark(window);
        for (const TextBox* box : window.findChildren<TextBox*>())
            if (box->window() == &window)
                EXPECT_TRUE(box->isStale()) << box->objectName().toStdString();
    }
    EXPECT_EQ(notifier.told, QStringList({"Probe at 127.0.0.1:" + QString::number(silent->port()) +
                                          " | The probe does not answer | normal"}));
}
