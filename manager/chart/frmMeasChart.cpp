#include "frmMeasChart.h"

#include "Artwork.h"
#include "Clock.h"
#include "Controls.h"
#include "Geometry.h"
#include "MainWindowLink.h"
#include "ProgramError.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

namespace vimbo {

namespace {

template <typename T>
T* control(QWidget* parent, const QString& name, int left, int top, int width, int height)
{
    auto* widget = new T(parent);
    widget->setObjectName(name);
    widget->setGeometry(rectFromTwips(left, top, width, height));
    return widget;
}

}  // namespace

frmMeasChart::frmMeasChart(MainWindowLink& main, const Clock& clock) : QWidget(nullptr), m_main(main), m_clock(clock)
{
    setObjectName(QStringLiteral("frmMeasChart"));
    setWindowTitle(QStringLiteral("Vimbo SNMP Demo Manager Measures Chart"));
    setWindowIcon(artwork::instrumentIcon());
    applyDesignFont(*this);
    resize(pixelsFromTwips(9240), pixelsFromTwips(4240));

    frameMeasSelection = control<QGroupBox>(this, QStringLiteral("frameMeasSelection"), 7440, 0, 1810, 4210);
    frameMeasSelection->setTitle(QStringLiteral("Series selection"));
    cmbMagnitude = control<QComboBox>(frameMeasSelection, QStringLiteral("cmbMagnitude"), 360, 360, 1090, 315);
    cmbMagnitude->addItems({QStringLiteral("Power"), QStringLiteral("MER"), QStringLiteral("VBER(log)")});
    cmbMagnitude->setCurrentIndex(-1);
    for (int i = 0; i < 6; ++i) {
        chkChannel[static_cast<std::size_t>(i)] =
            control<QCheckBox>(frameMeasSelection, arrayName("chkChannel", i), 360, 840 + 480 * i, 1210, 370);
        chkChannel[static_cast<std::size_t>(i)]->setText(QStringLiteral("(Ch99) 999,99MHz"));
        chkChannel[static_cast<std::size_t>(i)]->setChecked(true);
    }
    lbl5sAvgInfo = control<QLineEdit>(this, QStringLiteral("lbl5sAvgInfo"), 0, 0, 1320, 240);
    lbl5sAvgInfo->setText(QStringLiteral("5 seconds averaging"));
    lbl5sAvgInfo->setReadOnly(true);
    lbl5sAvgInfo->setFocusPolicy(Qt::NoFocus);
    lbl5sAvgInfo->setFrame(false);
    lbl5sAvgInfo->setAlignment(Qt::AlignCenter);
    lbl5sAvgInfo->move(pixelsFromTwips((7330 - 1320) / 2), pixelsFromTwips(4210 - 240 - 10));
    scrollTime = control<QScrollBar>(this, QStringLiteral("scrollTime"), 5640, 3840, 1570, 250);
    scrollTime->setOrientation(Qt::Horizontal);
    testArrayFilled = control<QCheckBox>(this, QStringLiteral("testArrayFilled"), 8280, 3720, 850, 370);
    testArrayFilled->setText(QStringLiteral("testArrayFilled"));
    testArrayFilled->setVisible(false);
    testInsertInd = control<QLineEdit>(this, QStringLiteral("testInsertInd"), 7320, 3720, 850, 370);
    testInsertInd->setText(QStringLiteral("testInsertInd"));
    testInsertInd->setVisible(false);
    tmr5s = new QTimer(this);
    tmr5s->setObjectName(QStringLiteral("tmr5s"));

    connect(cmbMagnitude, &QComboBox::currentIndexChanged, this, &frmMeasChart::frmMeasChart_cmbMagnitude_Click);
    connect(scrollTime, &QScrollBar::valueChanged, this, &frmMeasChart::frmMeasChart_scrollTime_Change);
    connect(testArrayFilled, &QCheckBox::clicked, this, &frmMeasChart::frmMeasChart_testArrayFilled_Click);
    connect(testInsertInd, &QLineEdit::textChanged, this, &frmMeasChart::frmMeasChart_testInsertInd_Change);
    connect(tmr5s, &QTimer::timeout, this, &frmMeasChart::frmMeasChart_tmr5s_Timer);
}

void frmMeasChart::frmMeasChart_Form_Load()
{
    m_history.setLast5sSlot(0);
    scrollTime->setMinimum(0);
    tmr5s->setInterval(5);
    scrollTime->setMaximum(MeasureHistory::kSlots - kChartRows);
    scrollTime->setSingleStep(10);
    scrollTime->setPageStep(kChartRows - 10);
    scrollTime->setValue(scrollTime->maximum());
    m_history.setInsertInd(0);
    m_history.setArrayFilled(false);
    cmbMagnitude->setCurrentIndex(0);
    tmr5s->start();
}

void frmMeasChart::addMeasure(const Measures& measures)
{
    check5sSlot();
    m_history.add(measures);
}

void frmMeasChart::check5sSlot()
{
    const std::int16_t n = MeasureHistory::clockNumber(m_clock.secondOfMinute());
    if (n == m_history.last5sSlot())
        return;
    m_history.closeSlot(n);
}

void frmMeasChart::frmMeasChart_tmr5s_Timer()
{
    // An error here must not stop the program; the next tick tries again.
    try {
        // 200 ticks a second: touch a box only when something changes.
        for (std::int16_t i = 0; i < 6; ++i) {
            QCheckBox* box = chkChannel[static_cast<std::size_t>(i)];
            const QString label = m_main.slotLabel(i);
            if (box->text() != label)
                box->setText(label);
            const bool surveyed = m_main.IsChannelSurveyed(i);
            if (box->isEnabled() != surveyed)
                box->setEnabled(surveyed);
            if (!surveyed && box->isChecked())
                box->setChecked(false);
        }
        check5sSlot();
    } catch (const std::exception& error) {
        qWarning() << "frmMeasChart: slot clock:" << error.what();
    }
}

void frmMeasChart::frmMeasChart_cmbMagnitude_Click()
{
    if (cmbMagnitude->currentIndex() >= 0)
        m_selMagnitude = static_cast<std::int16_t>(cmbMagnitude->currentIndex());
}

void frmMeasChart::frmMeasChart_scrollTime_Change() {}

void frmMeasChart::frmMeasChart_testArrayFilled_Click() { m_history.setArrayFilled(testArrayFilled->isChecked()); }

void frmMeasChart::frmMeasChart_testInsertInd_Change()
{
    // Only a slot number is taken; any other text is left alone.
    bool ok = false;
    const int slot = testInsertInd->text().toInt(&ok);
    if (ok && slot >= 0 && slot < MeasureHistory::kSlots)
        m_history.setInsertInd(static_cast<std::int16_t>(slot));
}

std::int16_t frmMeasChart::getScrollOffset() const
{
    return static_cast<std::int16_t>(scrollTime->maximum() - scrollTime->value());
}

ChannelMask frmMeasChart::checkedChannels() const
{
    ChannelMask mask{};
    for (std::size_t i = 0; i < mask.size(); ++i)
        mask[i] = chkChannel[i]->isChecked();
    return mask;
}

void frmMeasChart::closeEvent(QCloseEvent* event)
{
    // Only the operator closes this window (the program's end does not ask
    // it): the chart hides and the history goes on.
    event->ignore();
    hide();
    m_main.takeFocus();
}

}  // namespace vimbo
