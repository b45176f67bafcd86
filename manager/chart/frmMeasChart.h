#pragma once

#include "HistoryCsv.h"
#include "MeasureHistory.h"
#include "core/Slots.h"
#include "Variant.h"

#include <QDateTime>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QIODevice;
class QGroupBox;
class QLineEdit;
class QScrollBar;
class QTimer;

namespace vimbo {

class ChartControl;
class Clock;
class Dialogs;
class VariantGrid;
class MainWindowLink;

/// The measurement chart window: the two-hour history of 5-second averages
/// and its selectors. Loaded at start-up and only hidden when closed.
class frmMeasChart : public QWidget {
public:
    frmMeasChart(MainWindowLink& main, const Clock& clock, Dialogs& dialogs);

    /// Hands one polling cycle's measures to the open bucket, after the bucket
    /// clock has run. Errors go to the caller.
    void addMeasure(const Measures& measures);
    /// Told of every bucket that closes with measures in it, with its averages.
    void setBucketClosed(std::function<void(const BucketTime&, const BucketRow&)> closed)
    {
        m_bucketClosed = std::move(closed);
    }

    /// Buckets closed before this window was loaded (oldest first, at most the
    /// ring's two hours are kept), shown as if this window had closed them.
    /// Called after the Load, before the first measure.
    void preload(const std::vector<std::pair<BucketTime, Measures>>& buckets);

    // Handlers.
    void frmMeasChart_Form_Load();
    void frmMeasChart_tmr5s_Timer();
    void frmMeasChart_cmbMagnitude_Click();
    void frmMeasChart_scrollTime_Change();
    void frmMeasChart_testArrayFilled_Click();
    void frmMeasChart_testInsertInd_Change();

    /// The bucket clock: closes the open bucket when the clock number has changed
    /// and appends the closed bucket's point to the chart.
    void check5sSlot();

    /// Rebuilds the chart's grid and value axis from the history.
    void redrawChart();
    void fillSeriesLabels(VariantGrid& grid) const;
    /// Labels each row with the time its bucket closed, scrolled back by scrollOffset buckets.
    void fillTimeLabels(VariantGrid& grid, int scrollOffset) const;
    void fillChartRows(int startInd, int endInd, int magnitude, VariantGrid& grid, int firstRow) const;

    /// The scroll offset k: buckets between the newest closed bucket and the view's newest point.
    std::int16_t getScrollOffset() const;
    int getLastShownInd() const { return m_history.getLastShownInd(getScrollOffset()); }
    /// The channels whose box is checked.
    ChannelMask checkedChannels() const;

    const MeasureHistory& history() const { return m_history; }
    std::int16_t selMagnitude() const { return m_selMagnitude; }

    ChartControl& chart() { return *MSChart1; }

    // The chart's context menu: additions of this program, beside the design.
    /// Asks for a file and writes the whole history there as CSV.
    void exportHistoryCsv();
    /// Asks for a file and writes the chart as shown there as PNG.
    void saveChartPng();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::function<void(const BucketTime&, const BucketRow&)> m_bucketClosed;
    void layoutControls();
    void scaleValueAxis(int e);
    void armSlotClock();
    /// When the bucket of the row `rowsBack` rows above the newest closed, scrolled back
    /// by `scrollOffset`; `newer` is the time of the row below it (none for the newest).
    QDateTime rowTime(int scrollOffset, int rowsBack, const QDateTime& newer) const;
    zemtra::Variant cellOf(int bucket, int magnitude, int channel) const;
    void reportChartError(const std::exception& error) const;

    /// Writes through a temporary file; a failure is told to the operator.
    void writeExport(const QString& title, const QString& filter, const QString& initialName,
                     const std::function<bool(QIODevice&)>& write);

    MainWindowLink& m_main;
    const Clock& m_clock;
    Dialogs& m_dialogs;
    MeasureHistory m_history;
    QDateTime m_historyStart;  // when the first bucket opened
    std::int16_t m_selMagnitude = 0;

    ChartControl* MSChart1;
    QGroupBox* frameMeasSelection;
    QComboBox* cmbMagnitude;
    PerSlot<QCheckBox*> chkChannel{};
    QLineEdit* lbl5sAvgInfo;
    QScrollBar* scrollTime;
    QCheckBox* testArrayFilled;
    QLineEdit* testInsertInd;
    QTimer* tmr5s;
    /// Boxes the bucket clock unchecked because their slot was not surveyed.
    PerSlot<bool> m_uncheckedByClock{};
};

}  // namespace vimbo
