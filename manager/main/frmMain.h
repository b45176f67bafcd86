#pragma once

#include "core/Slots.h"

#include "mib/AlarmFlags.h"
#include "poll/ProbePoller.h"
#include "core/SnmpRequests.h"

#include "platform/ComponentServices.h"
#include "core/MainWindowLink.h"
#include "chart/HistoryCsv.h"
#include "chart/MeasureHistory.h"
#include "journal/Journal.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>
#include <memory>
#include <optional>
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
class frmAlarmHistory;
class frmEventsLog;
class HistoryRecorder;
class frmMeasChart;

/// The main window: the probe's identity, thresholds and six slots, polled
/// every 3 s; owner of the client object, the channel plan, the chart and the log.
class frmMain : public QMainWindow, public MainWindowLink {
public:
    /// `component` becomes SnmpClient1 and gets the window's stored settings.
    frmMain(Dialogs& dialogs, const Clock& clock, SnmpClientComponent component = SnmpClientComponent::inProcess());
    /// The console's detail view of one probe: the window shows what the
    /// console's poller reads (feedReading, feedCycleEnd) and polls nothing
    /// itself; closing it closes only this window.
    struct OutsideFeed {
        /// A configuration write starts (true) or ends: the outside poller pauses meanwhile.
        std::function<void(bool writing)> writing;
    };
    frmMain(Dialogs& dialogs, const Clock& clock, SnmpClientComponent component, OutsideFeed feed);
    ~frmMain() override;

    /// The outside poller's reading, cycle end and change of probe.
    void feedReading(const ProbeReading& reading);
    void feedCycleEnd(const CycleEnd& end);
    void feedProbeChanged();
    /// Fills the chart with `probe`'s last two hours of buckets from the store,
    /// when the store answers. After the window's Load.
    void fillChartFromStore(HistoryRecorder& recorder, const ProbeKey& probe);

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
    void surveillanceWritten(bool complete, std::size_t written, std::size_t total) override;

    /// The window's Load: the stored settings, the plan, the timers started.
    void frmMain_Form_Load();

    frmMeasChart& measChart() { return *m_measChart; }
    frmEventsLog& eventsLog() { return *m_eventsLog; }
    /// The probe's last cycle failed (the poller's state: lost, or never answered).
    bool pollFailed() const;
    /// True from a polling tick until its cycle's last reply is shown.
    bool cycleRunning() const;
    SnmpRequests& snmpRequests() override { return *m_requests; }
    /// Alarms that light up, and a probe lost or back, are told through `notifier` (none: not told).
    void setNotifier(Notifier* notifier) { m_notifier = notifier; }
    /// The journal and the chart's buckets go to `recorder` (none: nothing is
    /// recorded). Set before the window's Load.
    void setRecorder(HistoryRecorder* recorder) { m_journal.setRecorder(recorder); }
    Journal& journal() { return m_journal; }
    /// The "Alarm history" window, once it has been opened.
    frmAlarmHistory* alarmHistory() const { return m_alarmHistory; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Handlers, driven by the window's own menus, buttons, timers and close.
    void frmMain_Form_Unload();
    void frmMain_menuConfigSNMP_Click();
    void frmMain_menuConfigChannelset_Click();
    void frmMain_menuSurveillanceConfigure_Click();
    void menuSurveillanceHistory_Click();
    void recordBucket(const BucketTime& closedAt, const BucketRow& averages);
    void frmMain_btnShowChart_Click();
    void frmMain_btnWarnings_Click();
    void frmMain_tmrVimboPollingAlarms_Timer();
    void frmMain_tmrBlink_Timer();

    void buildMenus();
    void buildControls(QWidget* client);
    // The cycle runs in the poller; the window shows what it reads.
    std::vector<TextBox*> boxesOf(const ReadStep& step) const;
    bool showReading(const ProbeReading& reading);
    void endCycle(const CycleEnd& end);
    void markStale(std::size_t fromStep);
    void showProbeChanged();
    void showAlarmFlags(const mib::AlarmFlags& flags);
    void showSlotFrequency(int s, double hz, std::int32_t kHz);
    void showSlotSurveyed(int s, bool surveyed);
    void tellEvents(const std::vector<ProbeEvent>& events);
    QString probeTitle() const;
    /// Every slot's channel label as shown.
    PerSlot<QString> slotLabels() const;
    std::optional<std::int16_t> integerOf(const QLineEdit& box) const;
    std::optional<float> singleOf(const QLineEdit& box) const;
    void checkSlot(std::int16_t c) const;

    void armPolling();

    Dialogs& m_dialogs;
    std::optional<OutsideFeed> m_outside;  // set: the console's detail view
    ProbeState m_feedState = ProbeState::Waiting;
    bool m_feedRunning = false;
    Notifier* m_notifier = nullptr;
    const Clock& m_clock;
    SnmpClientComponent m_snmpClient;
    std::unique_ptr<SnmpRequests> m_requests;  // after the client: stopped before it goes
    std::unique_ptr<ProbePoller> m_poller;     // after the requests: its replies are dropped with it
    std::vector<std::vector<TextBox*>> m_stepBoxes;  // by step of the read plan, the boxes it shows
    bool m_closeWhenWritten = false;  // the window was closed meanwhile
    Measures m_measures{};
    QString m_probeName;  // as it reported it at the last complete cycle
    std::shared_ptr<clsChannelset> m_channelSet;
    PerSlot<std::int32_t> m_surveyedFreqsKHz{};
    std::int16_t m_blinkPhase = 0;
    std::int16_t m_buttonPicture = -1;  // the picture on btnWarnings: none yet
    std::unique_ptr<frmMeasChart> m_measChart;
    frmEventsLog* m_eventsLog = nullptr;  // owned by this window as its child
    Journal m_journal;
    ProbeKey m_bucketProbe;  // whose measures the chart's open bucket holds
    frmAlarmHistory* m_alarmHistory = nullptr;  // a child, made when first asked for

    QMenu* menuConfigurar = nullptr;
    QAction* menuConfigSNMP = nullptr;
    QAction* menuConfigChannelset = nullptr;
    QMenu* menuSurveillance = nullptr;
    QAction* menuSurveillanceConfigure = nullptr;
    QAction* menuSurveillanceHistory = nullptr;

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
