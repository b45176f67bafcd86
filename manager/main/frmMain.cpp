#include "frmMain.h"

#include "core/Slots.h"

#include "mib/AlarmFlags.h"
#include "core/Clock.h"
#include "widgets/Controls.h"
#include "core/Dialogs.h"
#include "mib/DisplayFormat.h"
#include "widgets/Geometry.h"
#include "core/Notifier.h"
#include "widgets/PictureBox.h"
#include "poll/ProbePoller.h"
#include "core/ProgramError.h"
#include "mib/Scales.h"
#include "SettingsStream.h"
#include "SnmpClient.h"
#include "widgets/ZemtraLib.h"
#include "core/SnmpRequests.h"
#include "channels/clsChannelset.h"
#include "eventslog/frmEventsLog.h"
#include "journal/frmAlarmHistory.h"
#include "store/HistoryRecorder.h"
#include "frmMainDesign.h"
#include "channels/frmChannels.h"
#include "chart/frmMeasChart.h"
#include "snmpsettings/frmSnmpConfig.h"
#include "surveillance/frmSurveillanceConfig.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <limits>

namespace vimbo {

namespace {

using namespace design;
namespace mib = vimbo::mib;

// The shown texts are read back with "," as the decimal separator, whatever
// the locale wrote, after every "." has been turned into ",": the cycle's own
// rule for the chart's sample, unlike the user's-locale reading of the members.
std::optional<float> shownNumber(const QLineEdit& box)
{
    static const QLocale comma(QLocale::German, QLocale::Germany);
    QString text = box.text();
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    bool ok = false;
    const float value = comma.toFloat(text, &ok);
    return ok ? std::optional(value) : std::nullopt;
}

}  // namespace

frmMain::frmMain(Dialogs& dialogs, const Clock& clock, SnmpClientComponent component)
    : m_dialogs(dialogs), m_clock(clock), m_snmpClient(std::move(component)), m_journal(clock)
{
    designWindow(*this, QStringLiteral("frmMain"), QStringLiteral("Vimbo SNMP Demo Manager"));
    // The client control comes back from the window's stored design.
    zemtra::loadSettings(m_snmpClient.client(), kSnmpClient1Stream);

    buildMenus();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(pixelsFromTwips(8580), pixelsFromTwips(6440));
    setCentralWidget(client);
    buildControls(client);
    m_requests = std::make_unique<SnmpRequests>(m_snmpClient.client());
    for (const ReadStep& step : readPlan())
        m_stepBoxes.push_back(boxesOf(step));
    m_poller = std::make_unique<ProbePoller>(
        *m_requests, ProbePoller::Handlers{[this](const ProbeReading& r) { return showReading(r); },
                                           [this](const CycleEnd& end) { endCycle(end); },
                                           [this] { showProbeChanged(); }});
    markStale(0);  // the placeholders are no readings

    connect(tmrVimboPollingAlarms, &QTimer::timeout, this, &frmMain::frmMain_tmrVimboPollingAlarms_Timer);
    connect(tmrBlink, &QTimer::timeout, this, &frmMain::frmMain_tmrBlink_Timer);
    connect(btnShowChart, &QToolButton::clicked, this, &frmMain::frmMain_btnShowChart_Click);
    connect(btnWarnings, &QPushButton::clicked, this, &frmMain::frmMain_btnWarnings_Click);
    connect(menuConfigSNMP, &QAction::triggered, this, &frmMain::frmMain_menuConfigSNMP_Click);
    connect(menuConfigChannelset, &QAction::triggered, this, &frmMain::frmMain_menuConfigChannelset_Click);
    connect(menuSurveillanceConfigure, &QAction::triggered, this, &frmMain::frmMain_menuSurveillanceConfigure_Click);
    connect(menuSurveillanceHistory, &QAction::triggered, this, &frmMain::menuSurveillanceHistory_Click);
}

frmMain::frmMain(Dialogs& dialogs, const Clock& clock, SnmpClientComponent component, OutsideFeed feed)
    : frmMain(dialogs, clock, std::move(component))
{
    m_outside = std::move(feed);
}

frmMain::~frmMain() = default;

// ---- start-up and shutdown -------------------------------------------------

void frmMain::frmMain_Form_Load()
{
    ZemtraLib::resizePicture(*picLogo);
    ZemtraLib::resizePicture(*imgWarning[0]);
    ZemtraLib::resizePicture(*imgWarning[1]);
    // The plan of the working directory; an installed program falls back on its data folder.
    const QString plan = QStringLiteral("CCIR.can");
    const QString installed = QApplication::applicationDirPath() + QStringLiteral("/" VIMBO_DATA_DIR "/CCIR.can");
    loadFile(!QFileInfo::exists(plan) && QFileInfo::exists(installed) ? installed : plan);
    m_measChart = std::make_unique<frmMeasChart>(*this, m_clock, m_dialogs);
    m_measChart->frmMeasChart_Form_Load();
    m_measChart->setBucketClosed([this](const BucketTime& at, const BucketRow& row) { recordBucket(at, row); });
    m_eventsLog = new frmEventsLog(*this, m_clock, this);
    m_eventsLog->frmEventsLog_Form_Load();
    m_journal.started(m_requests->currentSettings());
    if (m_outside) {
        // No tick of its own: the menus the first tick enables are there at once.
        menuSurveillance->setEnabled(true);
        btnShowChart->setEnabled(true);
    }
    armPolling();
    tmrBlink->start();
}

void frmMain::frmMain_Form_Unload()
{
    // The program ends at once: no other window is asked.
    tmrVimboPollingAlarms->stop();
    tmrBlink->stop();
    // exit(), not quit(): quit() would first ask every window to close, and
    // the chart and the log refuse.
    if (m_measChart)
        m_measChart->hide();
    if (m_eventsLog)
        m_eventsLog->hide();
    QApplication::exit(0);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Half a configuration is not left behind: the window goes when the write ends.
    if (m_poller->writing()) {
        m_closeWhenWritten = true;
        return event->ignore();
    }
    if (m_outside) {
        // The console goes on: only this window and its own go.
        tmrBlink->stop();
        if (m_measChart)
            m_measChart->hide();
        if (m_eventsLog)
            m_eventsLog->hide();
        if (m_alarmHistory)
            m_alarmHistory->hide();
        return QMainWindow::closeEvent(event);
    }
    frmMain_Form_Unload();
    QMainWindow::closeEvent(event);
}

// ---- exposed members ---------------------------------------------------------

void frmMain::checkSlot(std::int16_t c) const
{
    if (c < 0 || c >= kSlotCount)
        throw subscriptError(QStringLiteral("frmMain"));
}

bool frmMain::IsChannelSurveyed(std::int16_t c) const
{
    checkSlot(c);
    return txtLeds[static_cast<std::size_t>(c)]->backColor() == kSurveyed;
}

std::optional<std::int16_t> frmMain::integerOf(const QLineEdit& box) const
{
    const auto value = parseLocaleNumber(box.text());
    return value ? mib::roundToInt16(*value) : std::nullopt;
}

std::optional<std::int16_t> frmMain::ThrAlarmMER() const { return integerOf(*txtThrAlarmMER); }
std::optional<std::int16_t> frmMain::ThrWarnMER() const { return integerOf(*txtThrWarnMER); }

std::optional<float> frmMain::singleOf(const QLineEdit& box) const
{
    const auto value = parseLocaleNumber(box.text());
    if (!value || std::abs(*value) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(*value);
}

std::optional<float> frmMain::ThrAlarmVBER() const { return singleOf(*txtThrAlarmVBER); }
std::optional<float> frmMain::ThrWarnVBER() const { return singleOf(*txtThrWarnVBER); }

std::optional<std::int16_t> frmMain::ThrAlarmChPower(std::int16_t ChInd) const
{
    checkSlot(ChInd);
    return integerOf(*txtThrAlarmChPower[static_cast<std::size_t>(ChInd)]);
}

std::optional<std::int16_t> frmMain::ThrWarnChPower(std::int16_t ChInd) const
{
    checkSlot(ChInd);
    return integerOf(*txtThrWarnChPower[static_cast<std::size_t>(ChInd)]);
}

void frmMain::loadFile(const QString& file)
{
    // The new plan is current before it loads: a failed load leaves it empty.
    m_channelSet = std::make_shared<clsChannelset>(m_dialogs);
    m_channelSet->setChanFile(file);
    m_channelSet->loadChanFile();
}

QString frmMain::slotLabel(int c) const
{
    checkSlot(static_cast<std::int16_t>(c));
    return txtLeds[static_cast<std::size_t>(c)]->text();
}

PerSlot<QString> frmMain::slotLabels() const
{
    PerSlot<QString> labels;
    for (std::size_t s = 0; s < kSlotCount; ++s)
        labels[s] = txtLeds[s]->text();
    return labels;
}

void frmMain::takeFocus() { activateWindow(); }

void frmMain::setWriting(bool writing)
{
    m_poller->setWriting(writing);
    if (m_outside && m_outside->writing)
        m_outside->writing(writing);
    if (!writing && std::exchange(m_closeWhenWritten, false))
        close();
}

// ---- menus -------------------------------------------------------------------

void frmMain::frmMain_menuConfigSNMP_Click()
{
    frmSnmpConfig window(*this, m_dialogs, this);
    window.frmSnmpConfig_Form_Load();
    window.exec();
}

void frmMain::frmMain_menuConfigChannelset_Click()
{
    frmChannels window(*this, m_dialogs, this);
    window.frmChannels_Form_Load();
    window.exec();
}

void frmMain::frmMain_menuSurveillanceConfigure_Click()
{
    frmSurveillanceConfig window(*this, m_dialogs, this);
    window.frmSurveillanceConfig_Form_Load();
    window.exec();
}

void frmMain::menuSurveillanceHistory_Click()
{
    if (!m_alarmHistory)
        m_alarmHistory = new frmAlarmHistory(m_journal, m_dialogs, m_clock, this);
    m_alarmHistory->show();
    m_alarmHistory->raise();
    m_alarmHistory->activateWindow();
}

void frmMain::surveillanceWritten(bool complete, std::size_t written, std::size_t total)
{
    m_journal.saveEnded(complete, written, total);
}

void frmMain::recordBucket(const BucketTime& closedAt, const BucketRow& averages)
{
    HistoryRecorder* recorder = m_journal.recorder();
    if (!recorder)
        return;
    // An unsurveyed slot's zeros are no measure: stored as none, they export as empty cells.
    BucketValues values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = IsChannelSurveyed(static_cast<std::int16_t>(i / 3)) ? averages[i].value_or(std::numeric_limits<float>::quiet_NaN())
                                                                       : std::numeric_limits<float>::quiet_NaN();
    recorder->recordBucket(m_bucketProbe, closedAt, values, slotLabels());
}

// ---- buttons -----------------------------------------------------------------

void frmMain::frmMain_btnShowChart_Click()
{
    m_measChart->show();
    m_measChart->raise();
    m_measChart->activateWindow();
}

void frmMain::frmMain_btnWarnings_Click()
{
    m_eventsLog->show();
    m_eventsLog->raise();
    m_eventsLog->activateWindow();
}

// ---- the polling cycle ---------------------------------------------------------

void frmMain::frmMain_tmrVimboPollingAlarms_Timer()
{
    // A tick while the cycle's requests are still under way, or while the
    // configuration is written, is skipped.
    if (m_poller->busy())
        return;
    if (!menuSurveillance->isEnabled()) {
        menuSurveillance->setEnabled(true);
        btnShowChart->setEnabled(true);
    }
    tmrVimboPollingAlarms->stop();
    m_measures = Measures{};
    m_poller->tick();
}

bool frmMain::cycleRunning() const { return m_outside ? m_feedRunning : m_poller->cycleRunning(); }
bool frmMain::pollFailed() const { return isUnanswered(m_outside ? m_feedState : m_poller->state()); }

void frmMain::armPolling()
{
    if (!m_outside)
        tmrVimboPollingAlarms->start();
}

void frmMain::feedReading(const ProbeReading& reading)
{
    if (!m_feedRunning) {
        m_measures = Measures{};
        m_feedRunning = true;
    }
    // The outside poller decides the cycle; a value this window cannot show stays unshown.
    showReading(reading);
}

void frmMain::feedCycleEnd(const CycleEnd& end)
{
    m_feedRunning = false;
    if (end.outcome != CycleEnd::Dropped)
        m_feedState = end.state;
    endCycle(end);
}

void frmMain::feedProbeChanged()
{
    m_feedState = ProbeState::Waiting;
    showProbeChanged();
}

void frmMain::fillChartFromStore(HistoryRecorder& recorder, const ProbeKey& probe)
{
    const std::int64_t now = m_clock.now().toMSecsSinceEpoch();
    const std::int64_t since = now - std::int64_t{MeasureHistory::kBuckets} * 5000;
    recorder.query<std::vector<StoredBucket>>(
        [probe, since, now](const HistoryStore& store) { return store.buckets(probe, since, now); }, m_measChart.get(),
        [this](std::vector<StoredBucket> stored) {
            std::vector<std::pair<BucketTime, Measures>> buckets;
            buckets.reserve(stored.size());
            for (const StoredBucket& bucket : stored) {
                Measures averages{};
                // A slot without a measure was not surveyed: the chart draws it as the cycle does, at zero.
                for (std::size_t i = 0; i < bucket.values.size(); ++i)
                    averages[i % 3][i / 3] = std::isnan(bucket.values[i]) ? 0.0f : bucket.values[i];
                buckets.emplace_back(bucket.time, averages);
            }
            m_measChart->preload(buckets);
        });
}

bool frmMain::showReading(const ProbeReading& reading)
{
    const auto s = static_cast<std::size_t>(reading.slot);
    switch (reading.item) {
    case ProbeItem::AlarmFlags:
        showAlarmFlags(reading.flags);
        break;
    case ProbeItem::Surveyed:
        showSlotSurveyed(reading.slot, reading.surveyed);
        break;
    case ProbeItem::Frequency:
        showSlotFrequency(reading.slot, reading.value, reading.kHz);
        break;
    case ProbeItem::Power:
    case ProbeItem::Mer:
        showText(*m_stepBoxes[reading.step].front(), mib::formatFixed2(reading.value));
        break;
    case ProbeItem::VberAlarm:
    case ProbeItem::VberWarning:
    case ProbeItem::Vber:
        showText(*m_stepBoxes[reading.step].front(), mib::formatScientific(reading.value));
        break;
    default:
        showText(*m_stepBoxes[reading.step].front(), reading.text);
        break;
    }
    for (TextBox* box : m_stepBoxes[reading.step])
        box->setStale(false);
    if (reading.item != ProbeItem::PowerWarning)
        return true;
    // The slot's measures go to the chart as shown, with their display rounding.
    const auto power = shownNumber(*txtMeasPower[s]);
    const auto mer = shownNumber(*txtMeasMER[s]);
    const auto vber = shownNumber(*txtMeasVBER[s]);
    if (!power || !mer || !vber)
        return false;
    m_measures[kPowerMagnitude][s] = *power;
    m_measures[kMerMagnitude][s] = *mer;
    m_measures[kVberMagnitude][s] = *vber;
    return true;
}

void frmMain::endCycle(const CycleEnd& end)
{
    if (end.outcome == CycleEnd::Dropped) {
        // No sample, no log line, no change of state: the cycle never happened.
        armPolling();
        return;
    }
    const bool complete = end.outcome == CycleEnd::Complete;
    if (complete) {
        m_measChart->addMeasure(m_measures);
        m_probeName = txtVimboName->text();
        // The open bucket's measures are this probe's, even if the agent changes before it closes.
        m_bucketProbe = {QString::fromStdString(end.snapshot.settings.agent), end.snapshot.settings.port,
                         end.snapshot.name};
    } else {
        try {
            m_eventsLog->addMessage(QStringLiteral("Error in SNMP get request"));
        } catch (const ProgramError& error) {
            qWarning("the events log refused a line: %s", error.what());
        }
        markStale(end.snapshot.failedAt);  // what this cycle read before it failed is current
    }
    m_journal.cycleEnded(end, slotLabels());
    tellEvents(end.events);
    armPolling();
}

void frmMain::markStale(std::size_t fromStep)
{
    for (std::size_t i = fromStep; i < m_stepBoxes.size(); ++i)
        for (TextBox* box : m_stepBoxes[i])
            box->setStale(true);
}

void frmMain::showProbeChanged()
{
    // The old probe's values, lamps and name are not the new one's: a probe
    // that has not answered yet shows no alarm.
    markStale(0);
    showAlarmFlags(mib::AlarmFlags{});
    m_probeName.clear();
    m_journal.agentChanged(m_requests->currentSettings());
}

void frmMain::showAlarmFlags(const mib::AlarmFlags& flags)
{
    for (std::size_t s = 0; s < kSlotCount; ++s)
        ledWarning[s]->setFillColor(flags.warning[s] ? kWarningLit : kWarningDark);
    for (std::size_t s = 0; s < kSlotCount; ++s)
        ledAlarm[s]->setFillColor(flags.alarm[s] ? kAlarmLit : kAlarmDark);
}

QString frmMain::probeTitle() const
{
    // The name it reported once it has answered, and where it is.
    const zemtra::SnmpClient& client = m_snmpClient.client();
    const QString agent = QString::fromStdString(client.Agent());
    const QString where = (agent.contains(QLatin1Char(':')) ? QLatin1Char('[') + agent + QLatin1Char(']') : agent) +
                          QLatin1Char(':') + QString::number(client.Port());
    return m_probeName.isEmpty() ? QStringLiteral("Probe at ") + where : m_probeName + QStringLiteral(" at ") + where;
}

void frmMain::tellEvents(const std::vector<ProbeEvent>& events)
{
    // At the cycle's end, when the slots show this cycle's channel labels.
    if (!m_notifier)
        return;
    for (const ProbeEvent& event : events) {
        if (event.kind == ProbeEvent::AlarmRose)
            m_notifier->notify(*this, {Notification::Critical, probeTitle(),
                                       QStringLiteral("Alarm on ") + txtLeds[static_cast<std::size_t>(event.slot)]->text()});
        else if (event.kind == ProbeEvent::AlarmCleared)
            m_notifier->notify(*this, {Notification::Normal, probeTitle(),
                                       QStringLiteral("Alarm cleared on ") +
                                           txtLeds[static_cast<std::size_t>(event.slot)]->text()});
        else if (event.kind == ProbeEvent::ProbeLost || event.kind == ProbeEvent::ProbeBack)
            m_notifier->notify(*this, {Notification::Normal, probeTitle(),
                                       event.kind == ProbeEvent::ProbeBack ? QStringLiteral("The probe answers again")
                                                                           : QStringLiteral("The probe does not answer")});
    }
}

void frmMain::showSlotFrequency(int s, double hz, std::int32_t kHz)
{
    const auto i = static_cast<std::size_t>(s);
    m_surveyedFreqsKHz[i] = kHz;
    const ChannelPtr channel = m_channelSet ? m_channelSet->channelsCollection()->findByFreq(kHz) : nullptr;
    const QString frequency = mib::formatMHz(mib::mhzFromHz(hz));
    showText(*txtLeds[i], channel ? QStringLiteral("(Ch") + channel->ChName() + QStringLiteral(") ") + frequency
                                : frequency);
}

void frmMain::showSlotSurveyed(int s, bool surveyed)
{
    const auto i = static_cast<std::size_t>(s);
    const QColor colour = surveyed ? kSurveyed : kNotSurveyed;
    for (TextBox* box : {txtLeds[i], txtMeasPower[i], txtMeasMER[i], txtMeasVBER[i], txtThrAlarmChPower[i],
                         txtThrWarnChPower[i]})
        box->setBackColor(colour);
}

// ---- the warnings button ---------------------------------------------------------

void frmMain::frmMain_tmrBlink_Timer()
{
    m_blinkPhase = pollFailed() ? static_cast<std::int16_t>(1 - m_blinkPhase) : std::int16_t{1};
    // A steady button is not repainted every 800 ms.
    if (m_blinkPhase == m_buttonPicture)
        return;
    btnWarnings->setIcon(QIcon(QPixmap::fromImage(imgWarning[static_cast<std::size_t>(m_blinkPhase)]->image())));
    m_buttonPicture = m_blinkPhase;
}

}  // namespace vimbo
