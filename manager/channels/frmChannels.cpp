#include "frmChannels.h"

#include "widgets/Artwork.h"
#include "widgets/Controls.h"
#include "core/Dialogs.h"
#include "mib/DisplayFormat.h"
#include "widgets/Geometry.h"
#include "core/MainWindowLink.h"
#include "mib/Scales.h"
#include "channelsCollection.h"
#include "clsChannelset.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace vimbo {

namespace {

constexpr int kRowStepTwips = 300;

QString megahertz(std::int32_t kHz) { return mib::formatFixed2(mib::mhzFromKHz(kHz)); }

}  // namespace

frmChannels::frmChannels(MainWindowLink& main, Dialogs& dialogs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main), m_dialogs(dialogs)
{
    designWindow(*this, QStringLiteral("frmChannels"), QStringLiteral("Vimbo SNMP Demo Manager Channelset Configuration"), 6030, 3200);
    setModal(true);

    frameChannels = placeControl<QGroupBox>(this, QStringLiteral("frameChannels"), 120, 120, 4210, 2770);
    frameChannels->setTitle(QStringLiteral("Channels File: "));
    placeControl<QLabel>(frameChannels, QStringLiteral("Label1"), 960, 240, 1330, 370)
        ->setText(QStringLiteral("Freq.Video(MHz)"));
    placeControl<QLabel>(frameChannels, QStringLiteral("Label2"), 2400, 240, 1450, 370)
        ->setText(QStringLiteral("Freq.Center(MHz)"));
    frameScrollPane = placeControl<QFrame>(frameChannels, QStringLiteral("frameScrollPane"), 240, 600, 3850, 2170);
    frameScrollable = placeControl<QFrame>(frameScrollPane, QStringLiteral("frameScrollable"), 0, 0, 3850, 1000);

    Row designed{placeControl<QLabel>(frameScrollable, arrayName("lblChInd", 0), 120, 240, 970, 250),
                 placeControl<TextBox>(frameScrollable, arrayName("txtFreqVideoMHz", 0), 1320, 240, 730, 300),
                 placeControl<TextBox>(frameScrollable, arrayName("txtFreqCenterMHz", 0), 2640, 240, 730, 300)};
    designed.lblChInd->setText(QStringLiteral("(Ch1) 101"));
    designed.txtFreqVideoMHz->setText(QStringLiteral("999.99"));
    designed.txtFreqCenterMHz->setText(QStringLiteral("999.99"));
    m_rows.push_back(designed);

    VScroll1 = placeControl<QScrollBar>(this, QStringLiteral("VScroll1"), 4080, 600, 250, 2290);
    VScroll1->setOrientation(Qt::Vertical);
    VScroll1->setRange(0, 100);
    btnLoadFile = placeControl<QPushButton>(this, QStringLiteral("btnLoadFile"), 4680, 120, 1215, 375);
    btnLoadFile->setText(QStringLiteral("Load File"));
    CancelButton = placeControl<QPushButton>(this, QStringLiteral("CancelButton"), 4680, 600, 1215, 375);
    CancelButton->setText(QStringLiteral("Close"));
    btnLoadFile->setAutoDefault(false);
    CancelButton->setAutoDefault(false);

    connect(btnLoadFile, &QPushButton::clicked, this, &frmChannels::frmChannels_btnLoadFile_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmChannels::frmChannels_CancelButton_Click);
    connect(VScroll1, &QScrollBar::valueChanged, this, &frmChannels::frmChannels_VScroll1_Change);
}

void frmChannels::frmChannels_Form_Load()
{
    const auto plan = m_main.ChannelSet();
    frameChannels->setTitle(QStringLiteral("Channels file: ") + (plan ? plan->ChanFile() : QString()));
    showChannelRows();
}

void frmChannels::showChannelRows()
{
    frameScrollPane->setAutoFillBackground(true);
    frameScrollPane->setBackgroundRole(QPalette::Button);
    for (std::size_t r = 1; r < m_rows.size(); ++r) {
        delete m_rows[r].lblChInd;
        delete m_rows[r].txtFreqVideoMHz;
        delete m_rows[r].txtFreqCenterMHz;
    }
    m_rows.resize(1);

    const auto plan = m_main.ChannelSet();
    const auto channels = plan ? plan->channelsCollection() : nullptr;
    const int n = channels ? channels->Count() : 0;
    if (n < 1)
        return;  // row 0 keeps what it showed
    frameScrollable->resize(frameScrollable->width(), pixelsFromTwips((n + 1) * kRowStepTwips));

    const auto fill = [&](const Row& row, int number, const ChannelPtr& channel) {
        row.lblChInd->setText(QStringLiteral("(Ch") + QString::number(number) + QLatin1Char(')') + channel->ChName());
        showText(*row.txtFreqVideoMHz, megahertz(channel->FreqVideoKHz()));
        showText(*row.txtFreqCenterMHz, megahertz(channel->FreqCenterKHz()));
    };
    fill(m_rows[0], 1, channels->Item(1));
    const int step = pixelsFromTwips(kRowStepTwips);
    for (int r = 1; r < n; ++r) {
        const Row& above = m_rows.back();
        Row row{new QLabel(frameScrollable), new TextBox(frameScrollable), new TextBox(frameScrollable)};
        row.lblChInd->setObjectName(arrayName("lblChInd", r));
        row.txtFreqVideoMHz->setObjectName(arrayName("txtFreqVideoMHz", r));
        row.txtFreqCenterMHz->setObjectName(arrayName("txtFreqCenterMHz", r));
        row.lblChInd->setGeometry(above.lblChInd->geometry().translated(0, step));
        row.txtFreqVideoMHz->setGeometry(above.txtFreqVideoMHz->geometry().translated(0, step));
        row.txtFreqCenterMHz->setGeometry(above.txtFreqCenterMHz->geometry().translated(0, step));
        fill(row, r + 1, channels->Item(r + 1));
        for (QWidget* widget : std::initializer_list<QWidget*>{row.lblChInd, row.txtFreqVideoMHz, row.txtFreqCenterMHz})
            widget->show();
        m_rows.push_back(row);
    }
}

void frmChannels::frmChannels_VScroll1_Change()
{
    const int hidden = frameScrollable->height() - frameScrollPane->height();
    frameScrollable->move(frameScrollable->x(), -hidden * VScroll1->value() / std::max(1, VScroll1->maximum()));
}

void frmChannels::frmChannels_btnLoadFile_Click()
{
    // A cancelled dialog gives no name: the current plan stays.
    const auto file = m_dialogs.openFileName(QStringLiteral("Open"), QStringLiteral("CAN files (*.can)|*.can|All files|*.*"),
                                             QStringLiteral("ccir.can"));
    if (!file || file->isEmpty())
        return;
    m_main.loadFile(*file);
    showChannelRows();
}

void frmChannels::frmChannels_CancelButton_Click() { reject(); }

}  // namespace vimbo
