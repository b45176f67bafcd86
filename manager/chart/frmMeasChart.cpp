#include "frmMeasChart.h"

#include "core/Slots.h"

#include "widgets/Artwork.h"
#include "ChartControl.h"
#include "core/Clock.h"
#include "widgets/Controls.h"
#include "core/Dialogs.h"
#include "widgets/Geometry.h"
#include "HistoryCsv.h"
#include "core/MainWindowLink.h"
#include "core/ProgramError.h"
#include "core/SafeFile.h"
#include "widgets/ZemtraLib.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>

namespace vimbo {

namespace {

// A point's time as the chart labels it: "hh:mm.ss".
std::string clockLabel(const QDateTime& time) { return time.time().toString(QStringLiteral("hh:mm.ss")).toStdString(); }

// The close before `t` on the bucket clock (13 a minute).
QDateTime previousBucketClose(const QDateTime& t)
{
    const int msecOfMinute = t.time().second() * 1000 + t.time().msec();
    return t.addMSecs(MeasureHistory::msecOfPreviousClockChange(msecOfMinute) - msecOfMinute);
}


// The longest the bucket clock sleeps between two looks at the wall clock.
constexpr int kSlotClockMaxWaitMs = 1000;

// The window's frame around its client area, in twips, at its design size.
constexpr int kFrameWidthTwips = 9350 - 9240;
constexpr int kFrameHeightTwips = 4650 - 4240;

// Resumes the chart's drawing however the change ends.
class DrawingSuspended {
public:
    explicit DrawingSuspended(ChartControl& chart) : m_chart(chart) { m_chart.setRepaint(false); }
    ~DrawingSuspended() { m_chart.setRepaint(true); }
    DrawingSuspended(const DrawingSuspended&) = delete;
    DrawingSuspended& operator=(const DrawingSuspended&) = delete;

private:
    ChartControl& m_chart;
};

}  // namespace

frmMeasChart::frmMeasChart(MainWindowLink& main, const Clock& clock, Dialogs& dialogs)
    : QWidget(nullptr), m_main(main), m_clock(clock), m_dialogs(dialogs)
{
    designWindow(*this, QStringLiteral("frmMeasChart"), QStringLiteral("Vimbo SNMP Demo Manager Measures Chart"));
    resize(pixelsFromTwips(9240), pixelsFromTwips(4240));

    MSChart1 = placeControl<ChartControl>(this, QStringLiteral("MSChart1"), 0, 0, 7330, 4210);
    frameMeasSelection = placeControl<QGroupBox>(this, QStringLiteral("frameMeasSelection"), 7440, 0, 1810, 4210);
    frameMeasSelection->setTitle(QStringLiteral("Series selection"));
    cmbMagnitude = placeControl<QComboBox>(frameMeasSelection, QStringLiteral("cmbMagnitude"), 360, 360, 1090, 315);
    cmbMagnitude->addItems({QStringLiteral("Power"), QStringLiteral("MER"), QStringLiteral("VBER(log)")});
    cmbMagnitude->setCurrentIndex(-1);
    for (int i = 0; i < kSlotCount; ++i) {
        chkChannel[static_cast<std::size_t>(i)] =
            placeControl<QCheckBox>(frameMeasSelection, arrayName("chkChannel", i), 360, 840 + 480 * i, 1210, 370);
        chkChannel[static_cast<std::size_t>(i)]->setText(QStringLiteral("(Ch99) 999,99MHz"));
        chkChannel[static_cast<std::size_t>(i)]->setChecked(true);
        // The box's text in its series' colour stands in for a legend.
        QPalette colours = chkChannel[static_cast<std::size_t>(i)]->palette();
        colours.setColor(QPalette::WindowText, MSChart1->seriesColor(i + 1));
        chkChannel[static_cast<std::size_t>(i)]->setPalette(colours);
        connect(chkChannel[static_cast<std::size_t>(i)], &QCheckBox::toggled, this, [this, i](bool checked) {
            MSChart1->setSeriesHidden(i + 1, !checked);
        });
        // The operator's own choice is kept: a box he unchecks stays unchecked.
        connect(chkChannel[static_cast<std::size_t>(i)], &QCheckBox::clicked, this,
                [this, i] { m_uncheckedByClock[static_cast<std::size_t>(i)] = false; });
    }
    lbl5sAvgInfo = placeControl<QLineEdit>(this, QStringLiteral("lbl5sAvgInfo"), 0, 0, 1320, 240);
    lbl5sAvgInfo->setText(QStringLiteral("5 seconds averaging"));
    lbl5sAvgInfo->setReadOnly(true);
    lbl5sAvgInfo->setFocusPolicy(Qt::NoFocus);
    lbl5sAvgInfo->setFrame(false);
    lbl5sAvgInfo->setAlignment(Qt::AlignCenter);
    scrollTime = placeControl<QScrollBar>(this, QStringLiteral("scrollTime"), 5640, 3840, 1570, 250);
    scrollTime->setOrientation(Qt::Horizontal);
    testArrayFilled = placeControl<QCheckBox>(this, QStringLiteral("testArrayFilled"), 8280, 3720, 850, 370);
    testArrayFilled->setText(QStringLiteral("testArrayFilled"));
    testArrayFilled->setVisible(false);
    testInsertInd = placeControl<QLineEdit>(this, QStringLiteral("testInsertInd"), 7320, 3720, 850, 370);
    testInsertInd->setText(QStringLiteral("testInsertInd"));
    testInsertInd->setVisible(false);
    // The caption and the scroll bar lie over the chart's bottom strip: keep
    // the time labels above them, and room for the newest one at the right.
    MSChart1->setPlotMargins(QMargins(4, 4, pixelsFromTwips(300), pixelsFromTwips(4210 - 3840) + 4));
    // Right button on the chart: hand the history or a picture of it over.
    auto* exportCsv = new QAction(QStringLiteral("Export history as CSV\u2026"), MSChart1);
    exportCsv->setObjectName(QStringLiteral("actionExportHistoryCsv"));
    auto* savePng = new QAction(QStringLiteral("Save chart as PNG\u2026"), MSChart1);
    savePng->setObjectName(QStringLiteral("actionSaveChartPng"));
    MSChart1->addActions({exportCsv, savePng});
    MSChart1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(exportCsv, &QAction::triggered, this, &frmMeasChart::exportHistoryCsv);
    connect(savePng, &QAction::triggered, this, &frmMeasChart::saveChartPng);
    lbl5sAvgInfo->raise();  // in front of the chart
    scrollTime->raise();
    layoutControls();
    tmr5s = new QTimer(this);
    tmr5s->setObjectName(QStringLiteral("tmr5s"));
    tmr5s->setSingleShot(true);
    tmr5s->setTimerType(Qt::PreciseTimer);

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
    const int rows = MSChart1->rowCount();
    scrollTime->setMaximum(MeasureHistory::kBuckets - rows);
    scrollTime->setSingleStep(10);
    scrollTime->setPageStep(rows - 10);
    scrollTime->setValue(scrollTime->maximum());
    m_history.setInsertInd(0);
    m_history.setArrayFilled(false);
    m_historyStart = m_clock.now();
    cmbMagnitude->setCurrentIndex(0);
    armSlotClock();
}

void frmMeasChart::preload(const std::vector<std::pair<BucketTime, Measures>>& buckets)
{
    const std::size_t first = buckets.size() > MeasureHistory::kBuckets ? buckets.size() - MeasureHistory::kBuckets : 0;
    for (std::size_t i = first; i < buckets.size(); ++i) {
        const auto& [closedAt, averages] = buckets[i];
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(closedAt.msecsSinceEpoch, Qt::OffsetFromUTC, closedAt.utcOffsetSeconds);
        m_history.add(averages);
        m_history.closeBucket(MeasureHistory::clockNumber(at.time().second()), closedAt);
    }
    // The bucket open now is this window's own: it closes at the next change of the clock.
    m_history.setLast5sSlot(MeasureHistory::clockNumber(m_clock.secondOfMinute()));
    redrawChart();
}

void frmMeasChart::armSlotClock()
{
    // Woken at the next clock-number change rather than every 5 ms, so an idle
    // program sleeps; at least once a second, so a clock set back or forward
    // and the main window's labels are followed soon.
    tmr5s->start(std::min(kSlotClockMaxWaitMs, MeasureHistory::msecToNextClockChange(m_clock.msecOfMinute()) + 1));
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

    DrawingSuspended suspended(*MSChart1);
    const int k = getScrollOffset();
    const QDateTime now = m_clock.now();
    const BucketTime closedAt{now.toMSecsSinceEpoch(), now.offsetFromUtc()};
    m_history.closeBucket(n, closedAt);
    if (const int closed = (m_history.insertInd() - 1 + MeasureHistory::kBuckets) % MeasureHistory::kBuckets;
        m_bucketClosed && m_history.count(closed) != 0.0f)
        m_bucketClosed(closedAt, bucketRow(m_history, closed));

    VariantGrid grid = MSChart1->chartData();
    ZemtraLib::shiftRows(grid, -1);
    fillSeriesLabels(grid);
    const int rows = MSChart1->rowCount();
    const int e = getLastShownInd();
    if (e < 0)
        return;  // no bucket at the newest point: the chart keeps its grid
    grid.at(rows, 0) = zemtra::Variant(clockLabel(rowTime(k, 0, {})));
    for (int c = 0; c < MeasureHistory::kChannels; ++c)
        grid.at(rows, c + 1) = cellOf(e, m_selMagnitude, c);
    MSChart1->setChartData(grid);
    // Appends scale from the margins as rebuilds do, so the default view is
    // not left on the range the chart chose while there was no history.
    scaleValueAxis(e);
}

void frmMeasChart::redrawChart()
{
    DrawingSuspended suspended(*MSChart1);
    const int rows = MSChart1->rowCount();
    VariantGrid grid(0, rows, 0, MSChart1->columnCount());
    const int e = getLastShownInd();
    fillSeriesLabels(grid);
    fillTimeLabels(grid, getScrollOffset());
    int s = e - rows + 1;
    if (s < 0) {
        // With a full ring the view runs on from the end of the ring.
        if (m_history.arrayFilled())
            fillChartRows(MeasureHistory::kBuckets + s, MeasureHistory::kBuckets - 1, m_selMagnitude, grid, 1);
        s = 0;
    }
    fillChartRows(s, e, m_selMagnitude, grid, rows - (e - s));
    MSChart1->setChartData(grid);
    if (e > 0)
        scaleValueAxis(e);
    else
        MSChart1->setAutoScale(true);
}

void frmMeasChart::scaleValueAxis(int e)
{
    const Margins margins =
        m_history.getShownMeasMargins(m_selMagnitude, e, checkedChannels(), MSChart1->rowCount());
    const bool vber = m_selMagnitude == kVberMagnitude;
    MSChart1->setScaleType(vber ? ChartControl::ScaleType::Logarithmic : ChartControl::ScaleType::Linear);
    if (vber) {
        MSChart1->setLabelFormat(QStringLiteral("0,0e0"));
        MSChart1->setMinorDivision(5);
        MSChart1->setMajorDivision(10);
    } else {
        MSChart1->setMinorDivision(1);
        MSChart1->setMajorDivision(10);
        MSChart1->setLabelFormat(QStringLiteral("0,0"));
    }
    // Margins that counted nothing (no channel shown, no value in the view)
    // span the whole float range: let the chart choose instead.
    if (margins[0] > margins[1]) {
        MSChart1->setAutoScale(true);
        return;
    }
    MSChart1->setAutoScale(false);
    MSChart1->setMinimum(margins[0]);
    MSChart1->setMaximum(margins[1]);
}

void frmMeasChart::fillSeriesLabels(VariantGrid& grid) const
{
    for (int c = 1; c <= MSChart1->columnCount(); ++c)
        grid.at(0, c) = zemtra::Variant("C" + std::to_string(c));
}

QDateTime frmMeasChart::rowTime(int scrollOffset, int rowsBack, const QDateTime& newer) const
{
    // The bucket of the row, counted as if the ring had never wrapped: -1 is the
    // one before the first, whose close is when the first opened.
    const int counted = m_history.insertInd() - 1 - scrollOffset - rowsBack;
    const bool inRing = m_history.arrayFilled() || counted >= 0;
    if (inRing) {
        if (const auto closed = m_history.closedAt((counted % MeasureHistory::kBuckets + MeasureHistory::kBuckets) %
                                                   MeasureHistory::kBuckets))
            return QDateTime::fromMSecsSinceEpoch(closed->msecsSinceEpoch, Qt::OffsetFromUTC, closed->utcOffsetSeconds);
    }
    QDateTime t = newer;
    if (!inRing && (counted == -1 || !newer.isValid())) {
        // Before the history began: the bucket clock's closes back from its start.
        t = m_historyStart;
        for (int back = -1 - counted; back > 0; --back)
            t = previousBucketClose(t);
        return t;
    }
    return t.isValid() ? previousBucketClose(t) : m_clock.now();
}

void frmMeasChart::fillTimeLabels(VariantGrid& grid, int scrollOffset) const
{
    QDateTime t;
    for (int i = MSChart1->rowCount(), back = 0; i >= 1; --i, ++back) {
        t = rowTime(scrollOffset, back, t);
        grid.at(i, 0) = zemtra::Variant(clockLabel(t));
    }
}

void frmMeasChart::fillChartRows(int startInd, int endInd, int magnitude, VariantGrid& grid, int firstRow) const
{
    for (int t = startInd; t <= endInd; ++t)
        for (int c = 0; c < MeasureHistory::kChannels; ++c)
            grid.at(firstRow + t - startInd, c + 1) = cellOf(t, magnitude, c);
}

zemtra::Variant frmMeasChart::cellOf(int bucket, int magnitude, int channel) const
{
    const auto value = m_history.measured(bucket, magnitude, channel);
    return value ? zemtra::Variant(*value) : zemtra::Variant();  // empty: the series breaks there
}

void frmMeasChart::reportChartError(const std::exception& error) const
{
    qWarning() << "frmMeasChart:" << error.what();
}

void frmMeasChart::layoutControls()
{
    if (isMinimized())
        return;
    const int outerWidth = twipsFromPixels(width()) + kFrameWidthTwips;
    const int outerHeight = twipsFromPixels(height()) + kFrameHeightTwips;
    frameMeasSelection->move(pixelsFromTwips(outerWidth - 1910), frameMeasSelection->y());
    // A window too small for the chart leaves it at no size rather than less.
    MSChart1->resize(std::max(0, pixelsFromTwips(outerWidth - 2020)), std::max(0, pixelsFromTwips(outerHeight - 440)));
    lbl5sAvgInfo->move(MSChart1->x() + (MSChart1->width() - lbl5sAvgInfo->width()) / 2,
                       MSChart1->y() + MSChart1->height() - lbl5sAvgInfo->height() - pixelsFromTwips(10));
}

void frmMeasChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmMeasChart::frmMeasChart_tmr5s_Timer()
{
    // An error here must not stop the program; the next tick tries again.
    try {
        // A tick at least every second: touch a box only when something changes.
        for (std::int16_t i = 0; i < kSlotCount; ++i) {
            QCheckBox* box = chkChannel[static_cast<std::size_t>(i)];
            const QString label = m_main.slotLabel(i);
            if (box->text() != label)
                box->setText(label);
            const bool surveyed = m_main.IsChannelSurveyed(i);
            if (box->isEnabled() != surveyed)
                box->setEnabled(surveyed);
            bool& uncheckedByClock = m_uncheckedByClock[static_cast<std::size_t>(i)];
            if (!surveyed && box->isChecked()) {
                box->setChecked(false);
                uncheckedByClock = true;
            } else if (surveyed && uncheckedByClock) {
                // Before the first poll no slot is surveyed: give back what the clock took.
                box->setChecked(true);
                uncheckedByClock = false;
            }
        }
        check5sSlot();
    } catch (const std::exception& error) {
        reportChartError(error);
    }
    armSlotClock();
}

void frmMeasChart::frmMeasChart_cmbMagnitude_Click()
{
    if (cmbMagnitude->currentIndex() < 0)
        return;
    m_selMagnitude = static_cast<std::int16_t>(cmbMagnitude->currentIndex());
    try {
        redrawChart();
    } catch (const std::exception& error) {
        reportChartError(error);
    }
}

void frmMeasChart::frmMeasChart_scrollTime_Change()
{
    try {
        redrawChart();
    } catch (const std::exception& error) {
        reportChartError(error);
    }
}

void frmMeasChart::frmMeasChart_testArrayFilled_Click() { m_history.setArrayFilled(testArrayFilled->isChecked()); }

void frmMeasChart::frmMeasChart_testInsertInd_Change()
{
    // Only a bucket number is taken; any other text is left alone.
    bool ok = false;
    const int bucket = testInsertInd->text().toInt(&ok);
    if (ok && bucket >= 0 && bucket < MeasureHistory::kBuckets)
        m_history.setInsertInd(static_cast<std::int16_t>(bucket));
}

void frmMeasChart::exportHistoryCsv()
{
    PerSlot<QString> labels;
    for (std::size_t i = 0; i < labels.size(); ++i)
        labels[i] = chkChannel[i]->text();
    const QString csv = historyCsv(m_history, labels);
    writeExport(QStringLiteral("Export history as CSV"), QStringLiteral("CSV files (*.csv)|*.csv|All files|*"),
                QStringLiteral("vimbo-history.csv"),
                [&csv](QIODevice& file) { return file.write(csv.toUtf8()) >= 0; });
}

void frmMeasChart::saveChartPng()
{
    const QImage picture = MSChart1->grab().toImage();
    writeExport(QStringLiteral("Save chart as PNG"), QStringLiteral("PNG pictures (*.png)|*.png|All files|*"),
                QStringLiteral("vimbo-chart.png"), [&picture](QIODevice& file) { return picture.save(&file, "PNG"); });
}

void frmMeasChart::writeExport(const QString& title, const QString& filter, const QString& initialName,
                               const std::function<bool(QIODevice&)>& write)
{
    const auto path = m_dialogs.saveFileName(title, filter, initialName);
    if (!path)
        return;  // cancelled: nothing written
    if (const auto failure = writeFileSafely(*path, write))
        m_dialogs.showMessage(windowTitle(), QStringLiteral("Cannot write ") + *path + QStringLiteral("\n") + *failure,
                              MessageIcon::Exclamation, MessageButtons::Ok);
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
