#include "frmSurveillanceConfig.h"

#include "core/Slots.h"

#include "widgets/Artwork.h"
#include "widgets/Controls.h"
#include "core/Dialogs.h"
#include "mib/DisplayFormat.h"
#include "widgets/Geometry.h"
#include "core/MainWindowLink.h"
#include "mib/Scales.h"
#include "core/SnmpRequests.h"
#include "channels/channelsCollection.h"
#include "channels/clsChannelset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace vimbo {

namespace {

const QString kCaption = QStringLiteral("Vimbo SNMP Demo Manager Surveillance Configuration");

void label(QWidget* parent, const char* name, const QString& text, int left, int top, int width)
{
    placeControl<QLabel>(parent, QLatin1String(name), left, top, width, 240)->setText(text);
}

QString integerText(std::optional<std::int16_t> value) { return value ? QString::number(*value) : QString(); }

QString scientificText(std::optional<float> value)
{
    return value ? mib::formatScientific(static_cast<double>(*value)) : QString();
}

}  // namespace

frmSurveillanceConfig::frmSurveillanceConfig(MainWindowLink& main, Dialogs& dialogs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      m_main(main), m_dialogs(dialogs)
{
    designWindow(*this, QStringLiteral("frmSurveillanceConfig"), kCaption, 4080, 4780);
    setModal(true);

    auto* frame2 = placeControl<QGroupBox>(this, QStringLiteral("Frame2"), 120, 0, 2410, 1330);
    frame2->setTitle(QStringLiteral("Common thresholds"));
    label(frame2, "Label10", QStringLiteral("VBER"), 960, 220, 600);
    label(frame2, "Label7", QStringLiteral("MER"), 1800, 220, 500);
    label(frame2, "Label8", QStringLiteral("Alarm"), 120, 510, 600);
    label(frame2, "Label9", QStringLiteral("Warn"), 120, 870, 600);
    txtThrAlarmVBER = placeTextBox(frame2, QStringLiteral("txtThrAlarmVBER"), 720, 480, 850);
    txtThrWarnVBER = placeTextBox(frame2, QStringLiteral("txtThrWarnVBER"), 720, 840, 850);
    txtThrAlarmMER = placeTextBox(frame2, QStringLiteral("txtThrAlarmMER"), 1800, 480, 490);
    txtThrWarnMER = placeTextBox(frame2, QStringLiteral("txtThrWarnMER"), 1800, 840, 490);

    OKButton = placeControl<QPushButton>(this, QStringLiteral("OKButton"), 2760, 240, 1215, 375);
    OKButton->setText(QStringLiteral("Save"));
    CancelButton = placeControl<QPushButton>(this, QStringLiteral("CancelButton"), 2760, 720, 1215, 375);
    CancelButton->setText(QStringLiteral("Cancel"));
    OKButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);

    auto* frameAlarms = placeControl<QGroupBox>(this, QStringLiteral("frameAlarms"), 120, 1440, 3850, 3130);
    frameAlarms->setTitle(QStringLiteral("Channels configuration"));
    label(frameAlarms, "Label5", QStringLiteral("Survey"), 120, 480, 560);
    label(frameAlarms, "Label1", QStringLiteral("Channel"), 720, 240, 1450);
    label(frameAlarms, "Label2", QStringLiteral("Name"), 720, 480, 730);
    label(frameAlarms, "Label4", QStringLiteral("MHz"), 1560, 480, 610);
    label(frameAlarms, "Label17", QStringLiteral("Power Thresholds"), 2400, 240, 1300);
    label(frameAlarms, "Label3", QStringLiteral("Alarm"), 2400, 480, 500);
    label(frameAlarms, "Label18", QStringLiteral("Warn"), 3000, 480, 500);
    for (int s = 0; s < kSlotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int top = 720 + 360 * s;
        chkActivateSurvey[i] = placeControl<QCheckBox>(frameAlarms, arrayName("chkActivateSurvey", s), 240, top, 300, 300);
        chkActivateSurvey[i]->setChecked(true);
        cmbChannel[i] = placeControl<QComboBox>(frameAlarms, arrayName("cmbChannel", s), 720, top, 730, 315);
        cmbChannel[i]->setEditable(false);
        txtChFrequencyMHz[i] = placeTextBox(frameAlarms, arrayName("txtChFrequencyMHz", s), 1560, top, 610);
        txtThrAlarmChPower[i] = placeTextBox(frameAlarms, arrayName("txtThrAlarmChPower", s), 2400, top, 370);
        txtThrWarnChPower[i] = placeTextBox(frameAlarms, arrayName("txtThrWarnChPower", s), 3000, top, 370);
        txtChFrequencyMHz[i]->installEventFilter(this);

        connect(cmbChannel[i], &QComboBox::activated, this,
                [this, s](int) { frmSurveillanceConfig_cmbChannel_Click(s); });
        connect(chkActivateSurvey[i], &QCheckBox::toggled, this,
                [this, s](bool) { frmSurveillanceConfig_chkActivateSurvey_Click(s); });
    }

    QWidget* previous = txtThrAlarmVBER;
    for (QWidget* next : std::initializer_list<QWidget*>{txtThrAlarmMER, txtThrWarnVBER, txtThrWarnMER}) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (std::size_t i = 0; i < kSlotCount; ++i)
        for (QWidget* next : std::initializer_list<QWidget*>{chkActivateSurvey[i], cmbChannel[i], txtChFrequencyMHz[i],
                                                             txtThrAlarmChPower[i], txtThrWarnChPower[i]}) {
            setTabOrder(previous, next);
            previous = next;
        }
    setTabOrder(previous, OKButton);
    setTabOrder(OKButton, CancelButton);

    connect(OKButton, &QPushButton::clicked, this, &frmSurveillanceConfig::frmSurveillanceConfig_OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this,
            &frmSurveillanceConfig::frmSurveillanceConfig_CancelButton_Click);
}

frmSurveillanceConfig::~frmSurveillanceConfig() = default;

void frmSurveillanceConfig::frmSurveillanceConfig_Form_Load()
{
    m_surveyedFreqsKHz = m_main.SurveyedFreqsKHz();
    const auto plan = m_main.ChannelSet();
    m_channels = plan ? plan->channelsCollection() : std::make_shared<channelsCollection>();

    // A box whose source holds no number yet (no poll has succeeded) opens empty.
    showText(*txtThrAlarmMER, integerText(m_main.ThrAlarmMER()));
    showText(*txtThrWarnMER, integerText(m_main.ThrWarnMER()));
    showText(*txtThrAlarmVBER, scientificText(m_main.ThrAlarmVBER()));
    showText(*txtThrWarnVBER, scientificText(m_main.ThrWarnVBER()));

    for (std::int16_t s = 0; s < kSlotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        showText(*txtThrAlarmChPower[i], integerText(m_main.ThrAlarmChPower(s)));
        showText(*txtThrWarnChPower[i], integerText(m_main.ThrWarnChPower(s)));
        chkActivateSurvey[i]->setChecked(m_main.IsChannelSurveyed(s));
        enableChannelRow(s, chkActivateSurvey[i]->isChecked());
    }
    for (int s = 0; s < kSlotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        QStringList names{QString()};
        for (const ChannelPtr& channel : *m_channels)
            names << channel->ChName();
        cmbChannel[i]->addItems(names);
        showText(*txtChFrequencyMHz[i], mib::formatFixed2(mib::mhzFromKHz(m_surveyedFreqsKHz[i])));
        selectChannelByFrequency(s);
    }
}

void frmSurveillanceConfig::frmSurveillanceConfig_cmbChannel_Click(int slot)
{
    const auto i = static_cast<std::size_t>(slot);
    const int k = cmbChannel[i]->currentIndex();
    if (k >= 1 && k <= m_channels->Count())
        showText(*txtChFrequencyMHz[i], mib::formatFixed2(mib::mhzFromKHz(m_channels->Item(k)->FreqCenterKHz())));
}

void frmSurveillanceConfig::frmSurveillanceConfig_chkActivateSurvey_Click(int slot)
{
    enableChannelRow(slot, chkActivateSurvey[static_cast<std::size_t>(slot)]->isChecked());
}

void frmSurveillanceConfig::frmSurveillanceConfig_txtChFrequencyMHz_Validate(int slot)
{
    selectChannelByFrequency(slot);
}

void frmSurveillanceConfig::selectChannelByFrequency(int slot)
{
    const auto i = static_cast<std::size_t>(slot);
    const auto mhz = parseLocaleNumber(txtChFrequencyMHz[i]->text(), QLocale());
    if (!mhz)
        return;  // no number: list and text stay as they are until Save refuses the text
    const auto kHz = mib::kHzFromMHz(*mhz);
    const ChannelPtr channel = kHz ? m_channels->findByFreq(*kHz) : nullptr;
    {
        const QSignalBlocker quiet(cmbChannel[i]);
        cmbChannel[i]->setCurrentIndex(channel ? channel->ChInd() + 1 : 0);
    }
    frmSurveillanceConfig_cmbChannel_Click(slot);  // the selection acts as a click
}

void frmSurveillanceConfig::enableChannelRow(int slot, bool enabled)
{
    const auto i = static_cast<std::size_t>(slot);
    for (QWidget* widget : std::initializer_list<QWidget*>{cmbChannel[i], txtChFrequencyMHz[i], txtThrAlarmChPower[i],
                                                           txtThrWarnChPower[i]})
        widget->setEnabled(enabled);
}

SurveillanceEntries frmSurveillanceConfig::entries() const
{
    SurveillanceEntries entries;
    entries.alarmVBER = txtThrAlarmVBER->text();
    entries.warnVBER = txtThrWarnVBER->text();
    entries.alarmMER = txtThrAlarmMER->text();
    entries.warnMER = txtThrWarnMER->text();
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        entries.frequencyMHz[i] = txtChFrequencyMHz[i]->text();
        entries.alarmPower[i] = txtThrAlarmChPower[i]->text();
        entries.warnPower[i] = txtThrWarnChPower[i]->text();
        entries.surveyed[i] = chkActivateSurvey[i]->isChecked();
    }
    return entries;
}

QWidget* frmSurveillanceConfig::widgetOf(const SurveillanceField& field) const
{
    const auto i = static_cast<std::size_t>(field.slot);
    switch (field.kind) {
    case SurveillanceField::AlarmVBER: return txtThrAlarmVBER;
    case SurveillanceField::WarnVBER: return txtThrWarnVBER;
    case SurveillanceField::AlarmMER: return txtThrAlarmMER;
    case SurveillanceField::WarnMER: return txtThrWarnMER;
    case SurveillanceField::Frequency: return txtChFrequencyMHz.at(i);
    case SurveillanceField::AlarmPower: return txtThrAlarmChPower.at(i);
    case SurveillanceField::WarnPower: return txtThrWarnChPower.at(i);
    case SurveillanceField::Survey: return chkActivateSurvey.at(i);
    }
    return nullptr;
}

bool frmSurveillanceConfig::validateInputs()
{
    const auto failure = validateEntries(entries(), QLocale());
    if (!failure)
        return true;
    m_dialogs.showMessage(kCaption, failure->message, MessageIcon::Exclamation, MessageButtons::Ok);
    QWidget* field = widgetOf(failure->focus);
    // A row that is not surveyed is disabled, but its entry must still be
    // mended: the refused field alone is enabled again to take the focus.
    field->setEnabled(true);
    field->setFocus();
    return false;
}

void frmSurveillanceConfig::frmSurveillanceConfig_CancelButton_Click() { reject(); }

void frmSurveillanceConfig::reject()
{
    // Half a configuration is not left behind by closing: the write runs to
    // its end or to the operator's Cancel of a failed request.
    if (!m_writing)
        QDialog::reject();
}

void frmSurveillanceConfig::frmSurveillanceConfig_OKButton_Click()
{
    if (m_writing || !validateInputs())
        return;
    if (m_dialogs.showMessage(kCaption, QStringLiteral("Enviar la configuración?"), MessageIcon::Question,
                              MessageButtons::OkCancel) != MessageAnswer::Ok)
        return;
    showBusy(true);
    m_writeStep = 0;
    writeNextStep();
}

void frmSurveillanceConfig::showBusy(bool busy)
{
    m_writing = busy;
    m_main.setWriting(busy);
    OKButton->setEnabled(!busy);
    CancelButton->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void frmSurveillanceConfig::writeNextStep()
{
    const auto& plan = writePlan();
    if (m_writeStep == plan.size()) {
        showBusy(false);
        m_main.surveillanceWritten(true, plan.size(), plan.size());
        return accept();
    }
    const WriteStep& step = plan[m_writeStep];
    // Each value is read from its field just before its own request.
    const auto value = valueToSend(step, entries(), QLocale());
    if (!value)
        return writeFailed();
    m_main.snmpRequests().set(step.oid, *value, this, [this](const SnmpReply& reply) {
        if (!reply.ok()) {
            qDebug("write failed at %s: result 0x%08X %s", reply.oid.c_str(), reply.code, reply.reason.c_str());
            return writeFailed();
        }
        ++m_writeStep;
        writeNextStep();
    });
}

void frmSurveillanceConfig::writeFailed()
{
    if (m_dialogs.showMessage(kCaption, QStringLiteral("Error configuring equipment"), MessageIcon::Exclamation,
                              MessageButtons::RetryCancel) == MessageAnswer::Retry)
        return writeNextStep();  // the same request again
    showBusy(false);  // what was written stays written
    m_main.surveillanceWritten(false, m_writeStep, writePlan().size());
}

bool frmSurveillanceConfig::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut)
        for (int s = 0; s < kSlotCount; ++s)
            if (watched == txtChFrequencyMHz[static_cast<std::size_t>(s)])
                frmSurveillanceConfig_txtChFrequencyMHz_Validate(s);
    return QDialog::eventFilter(watched, event);
}

}  // namespace vimbo
