#pragma once

#include "Slots.h"

#include "AlarmFlags.h"
#include "AlarmRises.h"
#include "SnmpRequests.h"

#include "ComponentServices.h"
#include "MainWindowLink.h"
#include "MeasureHistory.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QTimer;

namespace zemtra {
class SnmpClient;
class Variant;
}  // namespace zemtra

namespace vimbo {

class Clock;
class Dialogs;
class LampShape;
class Notifier;
class PictureBox;
class TextBox;
class clsChannelset;
class frmEventsLog;
class frmMeasChart;

/// The main window: the probe's identity, thresholds and six slots, polled
/// every 3 s; owner of the client object, the channel plan, the chart and the log.
class frmMain : public QMainWindow, public MainWindowLink {
public:
    /// `component` becomes SnmpClient1 and gets the window's stored settings.
    frmMain(Dialogs& dialogs, const Clock& clock, SnmpClientComponent component = SnmpClientComponent::inProcess());
    ~frmMain() override;

    // Exposed members.
    bool IsChannelSurveyed(std::int16_t c) const override;
    PerSlot<std::int32_t> SurveyedFreqsKHz() const override { return m_surveyedFreqsKHz; }
    std::shared_ptr<clsChannelset> ChannelSet() const override { return m_channelSet; }
    std::optional<std::int16_t> ThrAlarmMER() const override;
    std::optional<std::int16_t> ThrWarnMER() const override;
    std::optional<float> ThrAlarmVBER() const override;
    std::optional<float> ThrWarnVBER() const override;
    std::optional<std::int16_t> ThrAlarmChPower(std::int16_t ChInd) const override;
    std::optional<std::int16_t> ThrWarnChPower(std::int16_t ChInd) const override;
    void loadFile(const QString& file) override;
    QString slotLabel(int c) const override;
    zemtra::SnmpClient& SnmpClient1() override { return m_snmpClient.client(); }
    void takeFocus() override;
    void setWriting(bool writing) override;

    // Handlers.
    void frmMain_Form_Load();
    void frmMain_Form_Unload();
    void frmMain_menuConfigSNMP_Click();
    void frmMain_menuConfigChannelset_Click();
    void frmMain_menuSurveillanceConfigure_Click();
    void frmMain_btnShowChart_Click();
    void frmMain_btnWarnings_Click();
    void frmMain_tmrVimboPollingAlarms_Timer();
    void frmMain_tmrBlink_Timer();

    frmMeasChart& measChart() { return *m_measChart; }
    frmEventsLog& eventsLog() { return *m_eventsLog; }
    bool pollFailed() const { return m_pollFailed; }
    /// The identifiers a polling cycle reads, in its order.
    std::vector<std::string> pollIdentifiers() const;
    /// True from a polling tick until its cycle's last reply is shown.
    bool cycleRunning() const { return m_cycleRunning; }
    SnmpRequests& snmpRequests() override { return *m_requests; }
    /// Alarms that light up, and a probe lost or back, are told through `notifier` (none: not told).
    void setNotifier(Notifier* notifier) { m_notifier = notifier; }
    std::int16_t blinkPhase() const { return m_blinkPhase; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildControls(QWidget* client);
    // The cycle: its reads composed once, then run one request at a time.
    struct PollStep {
        std::string oid;
        std::function<void(const zemtra::Variant&)> show;  // throws when the value cannot be shown
        std::vector<TextBox*> boxes;                       // the boxes whose text it shows
    };
    void addStep(std::string oid, std::vector<TextBox*> boxes, std::function<void(const zemtra::Variant&)> show);
    void markStale(std::size_t fromStep);
    void readEquipmentInfo();
    void readCommonThresholds();
    void readChannelSlot(std::int16_t s);
    void requestNextStep();
    void takeReply(const SnmpReply& reply);
    void endCycle(bool complete);
    void dropCycle();
    void showAlarmFlags(const mib::AlarmFlags& flags);
    void showSlotFrequency(std::int16_t s, double hz);
    void showSlotSurveyed(std::int16_t s, bool surveyed);
    void tellRaisedAlarms();
    void tellProbeState(bool answered);
    QString probeTitle() const;
    std::optional<std::int16_t> integerOf(const QLineEdit& box) const;
    std::optional<float> singleOf(const QLineEdit& box) const;
    void checkSlot(std::int16_t c) const;

    Dialogs& m_dialogs;
    Notifier* m_notifier = nullptr;
    AlarmRises m_alarmRises;
    PerSlot<bool> m_alarmsToTell{};  // risen in this cycle, told at its end
    const Clock& m_clock;
    SnmpClientComponent m_snmpClient;
    std::unique_ptr<SnmpRequests> m_requests;  // after the client: stopped before it goes
    ClientSettings m_cycleSettings;  // the running cycle's, from its first request to its last
    bool m_cycledBefore = false;     // m_cycleSettings holds the previous cycle's
    std::vector<PollStep> m_pollSteps;
    std::size_t m_nextStep = 0;
    bool m_cycleRunning = false;
    bool m_writing = false;          // the probe's configuration is being written
    bool m_closeWhenWritten = false;  // the window was closed meanwhile
    Measures m_measures{};
    enum class ProbeState { Unknown, Answering, Lost };
    ProbeState m_probeState = ProbeState::Unknown;
    QString m_probeName;  // as it reported it at the last complete cycle
    std::shared_ptr<clsChannelset> m_channelSet;
    PerSlot<std::int32_t> m_surveyedFreqsKHz{};
    bool m_pollFailed = false;
    std::int16_t m_blinkPhase = 0;
    std::int16_t m_buttonPicture = -1;  // the picture on btnWarnings: none yet
    std::unique_ptr<frmMeasChart> m_measChart;
    frmEventsLog* m_eventsLog = nullptr;  // owned by this window as its child

    QMenu* menuConfigurar = nullptr;
    QAction* menuConfigSNMP = nullptr;
    QAction* menuConfigChannelset = nullptr;
    QMenu* menuSurveillance = nullptr;
    QAction* menuSurveillanceConfigure = nullptr;

    PictureBox* picLogo = nullptr;
    TextBox* txtVimboName = nullptr;
    TextBox* txtVimboIPN = nullptr;
    TextBox* txtVimboVersion = nullptr;
    TextBox* txtThrAlarmVBER = nullptr;
    TextBox* txtThrWarnVBER = nullptr;
    TextBox* txtThrAlarmMER = nullptr;
    TextBox* txtThrWarnMER = nullptr;
    PerSlot<TextBox*> txtLeds{};
    PerSlot<LampShape*> ledAlarm{};
    PerSlot<LampShape*> ledWarning{};
    PerSlot<TextBox*> txtThrAlarmChPower{};
    PerSlot<TextBox*> txtMeasPower{};
    PerSlot<TextBox*> txtThrWarnChPower{};
    PerSlot<TextBox*> txtMeasMER{};
    PerSlot<TextBox*> txtMeasVBER{};
    QPushButton* btnWarnings = nullptr;
    std::array<PictureBox*, 2> imgWarning{};
    QToolButton* btnShowChart = nullptr;
    QTimer* tmrVimboPollingAlarms = nullptr;
    QTimer* tmrBlink = nullptr;
};

}  // namespace vimbo
