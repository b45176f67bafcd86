#include "frmSnmpConfig.h"

#include "widgets/Artwork.h"
#include "widgets/Controls.h"
#include "core/Dialogs.h"
#include "widgets/Geometry.h"
#include "core/MainWindowLink.h"
#include "core/NumericAddress.h"
#include "mib/Scales.h"
#include "SnmpClient.h"
#include "widgets/ZemtraLib.h"

#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>


#include <cmath>
#include <limits>

namespace vimbo {

namespace {

const QString kCaption = QStringLiteral("Vimbo SNMP Demo Manager Configuration");

TextBox* row(QWidget* frame, const char* labelName, const QString& text, const char* boxName, int top, int left,
             int width)
{
    placeControl<QLabel>(frame, QLatin1String(labelName), 120, top, left - 120, 300)->setText(text);
    return placeTextBox(frame, QLatin1String(boxName), left, top, width);
}

}  // namespace

frmSnmpConfig::frmSnmpConfig(MainWindowLink& main, Dialogs& dialogs, QWidget* owner)
    : frmSnmpConfig(main.SnmpClient1(), dialogs, owner)
{
}

frmSnmpConfig::frmSnmpConfig(zemtra::SnmpClient& client, Dialogs& dialogs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      m_client(client), m_dialogs(dialogs)
{
    designWindow(*this, QStringLiteral("frmSnmpConfig"), kCaption, 4580, 3000);
    setModal(true);

    auto* frame = placeControl<QGroupBox>(this, QLatin1String("Frame1"), 120, 120, 2890, 2770);
    frame->setTitle(QStringLiteral("SNMP Configuration"));
    txtVimboIP = row(frame, "Label1", QStringLiteral("VIMBO IP"), "txtVimboIP", 360, 1320, 1450);
    txtCommunityR = row(frame, "Label2", QStringLiteral("Read community"), "txtCommunityR", 720, 1800, 970);
    txtCommunityW = row(frame, "Label3", QStringLiteral("Write community"), "txtCommunityW", 1080, 1800, 970);
    txtPort = row(frame, "Label4", QStringLiteral("UDP Port"), "txtPort", 1560, 1800, 970);
    txtTimeout10ms = row(frame, "Label5", QStringLiteral("UDP timeout (x10ms)"), "txtTimeout10ms", 1920, 1800, 970);
    txtRetries = row(frame, "Label6", QStringLiteral("Request retries"), "txtRetries", 2280, 1800, 970);
    OKButton = placeControl<QPushButton>(this, QLatin1String("OKButton"), 3240, 120, 1215, 375);
    OKButton->setText(QStringLiteral("Save"));
    CancelButton = placeControl<QPushButton>(this, QLatin1String("CancelButton"), 3240, 600, 1215, 375);
    CancelButton->setText(QStringLiteral("Cancel"));
    OKButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);

    QWidget* previous = txtVimboIP;
    for (QWidget* next : std::initializer_list<QWidget*>{txtCommunityR, txtCommunityW, txtPort, txtTimeout10ms,
                                                         txtRetries, OKButton, CancelButton}) {
        setTabOrder(previous, next);
        previous = next;
    }
    connect(OKButton, &QPushButton::clicked, this, &frmSnmpConfig::frmSnmpConfig_OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmSnmpConfig::frmSnmpConfig_CancelButton_Click);
}

void frmSnmpConfig::frmSnmpConfig_Form_Load()
{
    const zemtra::SnmpClient& client = m_client;
    showText(*txtVimboIP, QString::fromStdString(client.Agent()));
    showText(*txtCommunityR, QString::fromStdString(client.CommunityR()));
    showText(*txtCommunityW, QString::fromStdString(client.CommunityW()));
    showText(*txtPort, QString::number(client.Port()));
    showText(*txtTimeout10ms, QString::number(client.Timeout()));
    showText(*txtRetries, QString::number(client.Retries()));
}

std::optional<int> frmSnmpConfig::numberOf(TextBox& box, const QString& name, int lowest, int highest)
{
    const auto value = parseLocaleNumber(box.text());
    const double whole = value ? std::nearbyint(*value) : 0;  // halves to even
    if (value && whole >= lowest && whole <= highest)
        return static_cast<int>(whole);
    m_dialogs.showMessage(kCaption,
                          name + QStringLiteral(": a whole number from ") + QString::number(lowest) +
                              QStringLiteral(" to ") + QString::number(highest),
                          MessageIcon::Exclamation, MessageButtons::Ok);
    box.setFocus();
    return std::nullopt;
}

void frmSnmpConfig::frmSnmpConfig_OKButton_Click()
{
    if (!ZemtraLib::isValidIPAddress(txtVimboIP->text()) && !isNumericIPv6Address(txtVimboIP->text())) {
        m_dialogs.showMessage(kCaption, QStringLiteral("Invalid IP"), MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    // Every number is checked before anything is written.
    const auto port = numberOf(*txtPort, QStringLiteral("UDP Port"), 1, 65535);
    if (!port)
        return;
    constexpr int kShortMax = std::numeric_limits<std::int16_t>::max();
    const auto timeout = numberOf(*txtTimeout10ms, QStringLiteral("UDP timeout (x10ms)"), 0, kShortMax);
    if (!timeout)
        return;
    const auto retries = numberOf(*txtRetries, QStringLiteral("Request retries"), 0, kShortMax);
    if (!retries)
        return;

    zemtra::SnmpClient& client = m_client;
    client.setAgent(txtVimboIP->text().toStdString());
    client.setCommunityR(txtCommunityR->text().toStdString());
    client.setCommunityW(txtCommunityW->text().toStdString());
    client.setPort(static_cast<std::uint16_t>(*port));
    client.setTimeout(static_cast<std::int16_t>(*timeout));
    client.setRetries(static_cast<std::int16_t>(*retries));
    accept();
}

void frmSnmpConfig::frmSnmpConfig_CancelButton_Click() { reject(); }

}  // namespace vimbo
