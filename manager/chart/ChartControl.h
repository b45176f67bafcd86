#pragma once

#include "core/Slots.h"
#include "core/VariantGrid.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <limits>
#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QLineSeries;
class QAbstractAxis;
class QLogValueAxis;
class QValueAxis;

namespace vimbo {

/// The chart control MSChart1: a line chart of 6 series over 60 time points,
/// fed with one grid of variants (series labels in row 0, time labels in
/// column 0, data in rows 1..60 and columns 1..6; an empty cell is no point).
/// Drawn with Qt Charts.
class ChartControl : public QWidget {
public:
    enum class ScaleType { Linear = 0, Logarithmic = 1 };

    explicit ChartControl(QWidget* parent = nullptr);

    /// Suspends (false) and resumes (true) drawing; resuming draws once if anything changed.
    void setRepaint(bool on);
    bool repaintOn() const { return m_repaint; }

    int rowCount() const { return kRows; }
    int columnCount() const { return kColumns; }

    /// Replaces all values and labels.
    void setChartData(const VariantGrid& grid);
    /// The grid last set, in the same layout and index ranges.
    const VariantGrid& chartData() const { return m_grid; }

    // The value axis.
    void setScaleType(ScaleType type);
    ScaleType scaleType() const { return m_scaleType; }
    void setLabelFormat(const QString& format);
    const QString& labelFormat() const { return m_labelFormat; }
    void setAutoScale(bool on);
    bool autoScale() const { return m_autoScale; }
    void setMinimum(double value);
    double minimum() const { return m_minimum; }
    void setMaximum(double value);
    double maximum() const { return m_maximum; }
    void setMajorDivision(int divisions);
    int majorDivision() const { return m_majorDivision; }
    void setMinorDivision(int divisions);
    int minorDivision() const { return m_minorDivision; }

    /// Series are numbered from 1.
    void setSeriesHidden(int series, bool hidden);
    bool seriesHidden(int series) const;
    QColor seriesColor(int series) const;

    /// Room left around the plot, for controls laid over the chart.
    void setPlotMargins(const QMargins& margins);

    /// The range its value axis draws.
    std::pair<double, double> drawnRange() const { return m_drawnRange; }
    /// The points drawn for a series: its unbroken runs.
    std::vector<std::vector<QPointF>> drawnSegments(int series) const;

private:
    static constexpr int kRows = 60;
    static constexpr int kColumns = kSlotCount;  // a series per channel slot

    void changed();
    /// The extent of the values drawn, for the value axis.
    struct ValueExtent {
        double low = std::numeric_limits<double>::infinity();
        double high = -std::numeric_limits<double>::infinity();
        std::optional<double> smallestPositive;
    };
    void draw();
    std::vector<QList<QPointF>> pointRuns(int c, bool logarithmic, ValueExtent& extent) const;
    void showRuns(int c, const std::vector<QList<QPointF>>& runs);
    void scaleValueAxis(const ValueExtent& extent, bool logarithmic);
    void labelTimeAxis();
    void attachValueAxis();

    VariantGrid m_grid;
    bool m_repaint = true;
    bool m_dirty = false;
    ScaleType m_scaleType = ScaleType::Linear;
    QString m_labelFormat = QStringLiteral("0,0");
    bool m_autoScale = true;
    double m_minimum = 0;
    double m_maximum = 100;
    int m_majorDivision = 10;
    int m_minorDivision = 1;
    std::array<bool, kColumns> m_hidden{};
    std::pair<double, double> m_drawnRange{0, 1};

    QChartView* m_view;
    QChart* m_chart;
    QCategoryAxis* m_timeAxis;
    QValueAxis* m_linearAxis;
    QLogValueAxis* m_logAxis;
    QAbstractAxis* m_valueAxis = nullptr;  // the one in use
    ScaleType m_attachedType = ScaleType::Linear;
    std::array<std::vector<QLineSeries*>, kColumns> m_segments;
};

}  // namespace vimbo
