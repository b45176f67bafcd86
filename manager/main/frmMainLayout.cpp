// The main window's menus and controls, placed as designed.
#include "frmMain.h"

#include "widgets/Artwork.h"
#include "widgets/Controls.h"
#include "widgets/Geometry.h"
#include "widgets/PictureBox.h"
#include "frmMainDesign.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace vimbo {

namespace {

using namespace design;

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height,
              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* widget = placeControl<QLabel>(parent, QLatin1String(name), left, top, width, height);
    widget->setText(text);
    widget->setAlignment(alignment);
    return widget;
}

TextBox* textBox(QWidget* parent, const QString& name, const QString& text, int left, int top, int width)
{
    auto* box = placeTextBox(parent, name, left, top, width);
    box->setReadOnly(true);
    box->setText(text);
    box->setCursorPosition(0);
    return box;
}

}  // namespace

void frmMain::buildMenus()
{
    menuConfigurar = menuBar()->addMenu(QStringLiteral("&Configurar"));
    menuConfigurar->setObjectName(QStringLiteral("menuConfigurar"));
    menuConfigSNMP = menuConfigurar->addAction(QStringLiteral("&SNMP"));
    menuConfigSNMP->setObjectName(QStringLiteral("menuConfigSNMP"));
    menuConfigChannelset = menuConfigurar->addAction(QStringLiteral("&Channelset"));
    menuConfigChannelset->setObjectName(QStringLiteral("menuConfigChannelset"));
    menuSurveillance = menuBar()->addMenu(QStringLiteral("&Surveillance"));
    menuSurveillance->setObjectName(QStringLiteral("menuSurveillance"));
    menuSurveillance->setEnabled(false);
    menuSurveillanceConfigure = menuSurveillance->addAction(QStringLiteral("&Configure"));
    menuSurveillanceConfigure->setObjectName(QStringLiteral("menuSurveillanceConfigure"));
    // Added beside the specified item, after it.
    menuSurveillanceHistory = menuSurveillance->addAction(QStringLiteral("Alarm &history"));
    menuSurveillanceHistory->setObjectName(QStringLiteral("menuSurveillanceHistory"));
}

void frmMain::buildControls(QWidget* client)
{
    // Logos.
    auto* frameLogos = placeControl<QGroupBox>(client, QStringLiteral("frameLogos"), 960, 0, 7210, 1930);
    picLogo = placeControl<PictureBox>(frameLogos, QStringLiteral("picLogo"), 120, 240, 6990, 1220);
    picLogo->setPicture(artwork::logo());
    QFont logoFont(QStringLiteral("DejaVu Sans"));
    logoFont.setBold(true);
    logoFont.setPixelSize(pixelsFromTwips(440));
    label(frameLogos, "Label1", QStringLiteral("QUINTREL"), 960, 1440, 2860, 530)->setFont(logoFont);
    QLabel* vimbo = label(frameLogos, "Label2", QStringLiteral("VIMBO"), 4080, 1440, 1670, 530);
    vimbo->setFont(logoFont);
    vimbo->setStyleSheet(QStringLiteral("color: rgb(255,0,0);"));

    // Equipment info.
    auto* frame1 = placeControl<QGroupBox>(client, QStringLiteral("Frame1"), 120, 2040, 2410, 1570);
    frame1->setTitle(QStringLiteral("Equipment info"));
    label(frame1, "Label4", QStringLiteral("Name"), 120, 360, 700, 300);
    txtVimboName = textBox(frame1, QStringLiteral("txtVimboName"), QStringLiteral("xxxxxxxxxxxxxx"), 840, 360, 1330);
    label(frame1, "Label5", QStringLiteral("IPN"), 120, 720, 700, 300);
    txtVimboIPN = textBox(frame1, QStringLiteral("txtVimboIPN"), QStringLiteral("xxxxxxxxxxxxxx"), 840, 720, 1330);
    label(frame1, "Label6", QStringLiteral("Version"), 120, 1080, 700, 300);
    txtVimboVersion = textBox(frame1, QStringLiteral("txtVimboVersion"), QStringLiteral("vxx.xx.xx"), 840, 1080, 1330);

    // Common thresholds.
    auto* frame2 = placeControl<QGroupBox>(client, QStringLiteral("Frame2"), 120, 3720, 2410, 1330);
    frame2->setTitle(QStringLiteral("Common thresholds"));
    label(frame2, "Label10", QStringLiteral("VBER"), 960, 220, 600, 240);
    label(frame2, "Label7", QStringLiteral("MER"), 1800, 220, 500, 240);
    label(frame2, "Label8", QStringLiteral("Alarm"), 120, 480, 600, 300);
    label(frame2, "Label9", QStringLiteral("Warn"), 120, 840, 600, 300);
    txtThrAlarmVBER = textBox(frame2, QStringLiteral("txtThrAlarmVBER"), QStringLiteral("xxx"), 720, 480, 850);
    txtThrWarnVBER = textBox(frame2, QStringLiteral("txtThrWarnVBER"), QStringLiteral("xxx"), 720, 840, 850);
    txtThrAlarmMER = textBox(frame2, QStringLiteral("txtThrAlarmMER"), QStringLiteral("xxx"), 1800, 480, 490);
    txtThrWarnMER = textBox(frame2, QStringLiteral("txtThrWarnMER"), QStringLiteral("xxx"), 1800, 840, 490);

    // The slot grid.
    auto* frameAlarms = placeControl<QGroupBox>(client, QStringLiteral("frameAlarms"), 2640, 2040, 5890, 4330);
    frameAlarms->setTitle(QStringLiteral("Alarms && Warnings"));
    const auto centred = Qt::AlignHCenter | Qt::AlignVCenter;
    label(frameAlarms, "Label3", QStringLiteral("Alarm"), 1620, 420, 500, 240, centred);
    label(frameAlarms, "Label18", QStringLiteral("Warn"), 2040, 420, 400, 240, centred);
    label(frameAlarms, "Label17", QStringLiteral("POWER"), 2640, 180, 1330, 240, centred);
    label(frameAlarms, "Label22", QStringLiteral("Alarm"), 2580, 420, 490, 240, centred);
    label(frameAlarms, "Label21", QStringLiteral("Warn"), 3540, 420, 490, 240, centred);
    label(frameAlarms, "Label19", QStringLiteral("MER"), 4200, 420, 490, 240, centred);
    label(frameAlarms, "Label20", QStringLiteral("VBER"), 4920, 420, 730, 240, centred);
    for (int s = 0; s < kSlotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int top = 720 + 600 * s;
        txtLeds[i] = textBox(frameAlarms, arrayName("txtLeds", s), QStringLiteral("(ChXX) 999.99MHz"), 120, top, 1570);
        ledAlarm[i] = placeControl<LampShape>(frameAlarms, arrayName("ledAlarm", s), 1800, top, 130, 250);
        // Dark until the probe's flags are first read: a probe that never
        // answered has reported no alarm.
        ledAlarm[i]->setFillColor(kAlarmDark);
        ledWarning[i] = placeControl<LampShape>(frameAlarms, arrayName("ledWarning", s), 2160, top, 130, 250);
        ledWarning[i]->setFillColor(kWarningDark);
        txtThrAlarmChPower[i] =
            textBox(frameAlarms, arrayName("txtThrAlarmChPower", s), QStringLiteral("999"), 2640, top + 120, 370);
        txtMeasPower[i] = textBox(frameAlarms, arrayName("txtMeasPower", s), QStringLiteral("999"), 3120, top, 370);
        txtThrWarnChPower[i] =
            textBox(frameAlarms, arrayName("txtThrWarnChPower", s), QStringLiteral("999"), 3600, top + 120, 370);
        txtMeasMER[i] = textBox(frameAlarms, arrayName("txtMeasMER", s), QStringLiteral("99.9"), 4200, top, 490);
        txtMeasVBER[i] = textBox(frameAlarms, arrayName("txtMeasVBER", s), QStringLiteral("9.99e-7"), 4920, top, 730);
    }
    const auto line = [&](const char* name, int x) {
        auto* shape = new LineShape(frameAlarms, QPoint(pixelsFromTwips(x), pixelsFromTwips(360)),
                                    QPoint(pixelsFromTwips(x), pixelsFromTwips(4200)));
        shape->setObjectName(QLatin1String(name));
    };
    line("Line3", 2520);
    line("Line1", 4080);
    line("Line2", 4800);

    // Buttons and the warning pictures.
    btnWarnings = placeControl<QPushButton>(client, QStringLiteral("btnWarnings"), 1080, 5160, 490, 370);
    btnWarnings->setIconSize(btnWarnings->size() - QSize(6, 6));
    for (int i = 0; i < 2; ++i) {
        imgWarning[static_cast<std::size_t>(i)] =
            placeControl<PictureBox>(client, arrayName("imgWarning", i), 1800 + 360 * i, 5160, 320, 270);
        imgWarning[static_cast<std::size_t>(i)]->setPicture(artwork::warningTriangle(i == 0));
        imgWarning[static_cast<std::size_t>(i)]->setVisible(false);
    }
    // A command button with its picture above the caption.
    btnShowChart = placeControl<QToolButton>(client, QStringLiteral("btnShowChart"), 480, 5640, 1690, 610);
    btnShowChart->setText(QStringLiteral("Measures evolution"));
    btnShowChart->setIcon(artwork::lineChartIcon());
    btnShowChart->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnShowChart->setEnabled(false);

    tmrVimboPollingAlarms = new QTimer(this);
    tmrVimboPollingAlarms->setObjectName(QStringLiteral("tmrVimboPollingAlarms"));
    tmrVimboPollingAlarms->setInterval(3000);
    // A coarse timer may fire up to 150 ms early; the cycles are 3000 ms apart.
    tmrVimboPollingAlarms->setTimerType(Qt::PreciseTimer);
    tmrBlink = new QTimer(this);
    tmrBlink->setObjectName(QStringLiteral("tmrBlink"));
    tmrBlink->setInterval(800);
}

// Where each step of the read plan is shown.
std::vector<TextBox*> frmMain::boxesOf(const ReadStep& step) const
{
    const auto s = static_cast<std::size_t>(step.slot);
    switch (step.item) {
    case ProbeItem::Name: return {txtVimboName};
    case ProbeItem::Ipn: return {txtVimboIPN};
    case ProbeItem::Version: return {txtVimboVersion};
    case ProbeItem::MerAlarm: return {txtThrAlarmMER};
    case ProbeItem::MerWarning: return {txtThrWarnMER};
    case ProbeItem::VberAlarm: return {txtThrAlarmVBER};
    case ProbeItem::VberWarning: return {txtThrWarnVBER};
    case ProbeItem::Frequency: return {txtLeds[s]};
    case ProbeItem::Power: return {txtMeasPower[s]};
    case ProbeItem::Mer: return {txtMeasMER[s]};
    case ProbeItem::Vber: return {txtMeasVBER[s]};
    case ProbeItem::PowerAlarm: return {txtThrAlarmChPower[s]};
    case ProbeItem::PowerWarning: return {txtThrWarnChPower[s]};
    case ProbeItem::AlarmFlags:
    case ProbeItem::Surveyed: return {};
    }
    return {};
}

}  // namespace vimbo
