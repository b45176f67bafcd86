#include "ChartControl.h"

#include "core/Slots.h"

#include "AxisRange.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace vimbo {

namespace {

const PerSlot<QColor> kSeriesColors{QColor(0, 90, 200), QColor(220, 40, 40), QColor(0, 150, 60),
                                          QColor(230, 140, 0), QColor(140, 60, 180), QColor(0, 160, 170)};

// The number formats the program asks for, in the printf form Qt Charts
// takes. "0,0" shows whole numbers, with as many decimals as it takes for
// neighbouring labels to differ when the divisions are finer than 1.
QString qtLabelFormat(const QString& format, double step)
{
    if (format == QLatin1String("0,0")) {
        const int decimals = step > 0 && step < 1 ? std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9))) : 0;
        return QStringLiteral("%.") + QString::number(decimals) + QLatin1Char('f');
    }
    if (format == QLatin1String("0,0e0"))
        return QStringLiteral("%.0e");
    return format.contains(QLatin1Char('%')) ? format : QStringLiteral("%g");
}

std::optional<double> pointValue(const zemtra::Variant& cell)
{
    switch (cell.type()) {
    case zemtra::VarType::Int16:
    case zemtra::VarType::Int32:
    case zemtra::VarType::Single:
    case zemtra::VarType::Double:
    case zemtra::VarType::Byte:
        return cell.toNumber();
    default:
        return std::nullopt;  // empty, text or anything else: no point
    }
}

}  // namespace

ChartControl::ChartControl(QWidget* parent)
    : QWidget(parent), m_grid(0, kRows, 0, kColumns), m_view(nullptr), m_chart(new QChart),
      m_timeAxis(new QCategoryAxis), m_linearAxis(new QValueAxis), m_logAxis(new QLogValueAxis)
{
    // Made with its chart: a view made without one makes its own, which
    // setChart() would only let go of, never delete.
    m_view = new QChartView(m_chart, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(4, 4, 4, 4));

    m_view->setRenderHint(QPainter::Antialiasing, false);
    // Each change moves the whole plot: repaint the whole view, so no part
    // keeps the pixels of the state before.
    m_view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    m_view->setCacheMode(QGraphicsView::CacheNone);
    m_timeAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_timeAxis->setRange(1, kRows);
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_logAxis->setBase(10);
    m_chart->addAxis(m_linearAxis, Qt::AlignLeft);
    m_chart->addAxis(m_logAxis, Qt::AlignLeft);
    attachValueAxis();
    for (int c = 0; c < kColumns; ++c)
        m_grid.at(0, c + 1) = zemtra::Variant("C" + std::to_string(c + 1));
    draw();
}

void ChartControl::setPlotMargins(const QMargins& margins) { m_chart->setMargins(margins); }

void ChartControl::changed()
{
    m_dirty = true;
    if (m_repaint)
        draw();
}

void ChartControl::setRepaint(bool on)
{
    m_repaint = on;
    if (on && m_dirty)
        draw();
}

void ChartControl::setChartData(const VariantGrid& grid)
{
    m_grid = grid;
    changed();
}

void ChartControl::setScaleType(ScaleType type)
{
    m_scaleType = type;
    changed();
}

void ChartControl::setLabelFormat(const QString& format)
{
    m_labelFormat = format;
    changed();
}

void ChartControl::setAutoScale(bool on)
{
    m_autoScale = on;
    changed();
}

void ChartControl::setMinimum(double value)
{
    m_minimum = value;
    changed();
}

void ChartControl::setMaximum(double value)
{
    m_maximum = value;
    changed();
}

void ChartControl::setMajorDivision(int divisions)
{
    m_majorDivision = std::max(1, divisions);
    changed();
}

void ChartControl::setMinorDivision(int divisions)
{
    m_minorDivision = std::max(1, divisions);
    changed();
}

void ChartControl::setSeriesHidden(int series, bool hidden)
{
    if (series < 1 || series > kColumns)
        return;
    m_hidden[static_cast<std::size_t>(series - 1)] = hidden;
    changed();
}

bool ChartControl::seriesHidden(int series) const
{
    return series >= 1 && series <= kColumns && m_hidden[static_cast<std::size_t>(series - 1)];
}

QColor ChartControl::seriesColor(int series) const
{
    return kSeriesColors[static_cast<std::size_t>(std::clamp(series, 1, kColumns) - 1)];
}

std::vector<std::vector<QPointF>> ChartControl::drawnSegments(int series) const
{
    std::vector<std::vector<QPointF>> runs;
    if (series < 1 || series > kColumns)
        return runs;
    for (const QLineSeries* segment : m_segments[static_cast<std::size_t>(series - 1)]) {
        const QList<QPointF> points = segment->points();
        if (!points.isEmpty())  // a spare series kept for reuse
            runs.emplace_back(points.begin(), points.end());
    }
    return runs;
}

void ChartControl::attachValueAxis()
{
    // Both axes stay in the chart for its whole life and only the one in use
    // is shown: an axis taken out leaves its labels in the scene until the
    // event loop deletes them, and a grab or paint before that shows both.
    QAbstractAxis* used = m_scaleType == ScaleType::Logarithmic ? static_cast<QAbstractAxis*>(m_logAxis) : m_linearAxis;
    QAbstractAxis* unused = used == m_linearAxis ? static_cast<QAbstractAxis*>(m_logAxis) : m_linearAxis;
    for (const auto& segments : m_segments)
        for (QLineSeries* segment : segments) {
            segment->detachAxis(unused);
            segment->attachAxis(used);
        }
    unused->setVisible(false);
    used->setVisible(true);
    m_valueAxis = used;
    m_attachedType = m_scaleType;
}

void ChartControl::draw()
{
    m_dirty = false;
    const bool logarithmic = m_scaleType == ScaleType::Logarithmic;
    if (m_attachedType != m_scaleType)
        attachValueAxis();
    ValueExtent extent;
    for (int c = 0; c < kColumns; ++c)
        showRuns(c, pointRuns(c, logarithmic, extent));
    scaleValueAxis(extent, logarithmic);
    labelTimeAxis();
}

std::vector<QList<QPointF>> ChartControl::pointRuns(int c, bool logarithmic, ValueExtent& extent) const
{
    // An empty cell, or a value a logarithmic axis cannot show, breaks a run.
    std::vector<QList<QPointF>> runs(1);
    const bool shown = !m_hidden[static_cast<std::size_t>(c)];
    for (int row = 1; row <= kRows; ++row) {
        const auto value = pointValue(m_grid.at(row, c + 1));
        if (!value || !std::isfinite(*value) || (logarithmic && *value <= 0)) {
            if (!runs.back().isEmpty())
                runs.emplace_back();
            continue;
        }
        runs.back().append(QPointF(row, *value));
        if (shown) {
            extent.low = std::min(extent.low, *value);
            extent.high = std::max(extent.high, *value);
        }
        if (*value > 0 && (!extent.smallestPositive || *value < *extent.smallestPositive))
            extent.smallestPositive = *value;
    }
    if (runs.back().isEmpty())
        runs.pop_back();
    return runs;
}

void ChartControl::showRuns(int c, const std::vector<QList<QPointF>>& runs)
{
    // Series are kept for reuse, never removed, for the same reason as the axes.
    auto& pool = m_segments[static_cast<std::size_t>(c)];
    while (pool.size() < runs.size()) {
        auto* segment = new QLineSeries;
        segment->setPen(QPen(seriesColor(c + 1), 2));
        m_chart->addSeries(segment);
        segment->attachAxis(m_timeAxis);
        segment->attachAxis(m_valueAxis);
        pool.push_back(segment);
    }
    for (std::size_t i = 0; i < pool.size(); ++i) {
        const bool used = i < runs.size();
        pool[i]->replace(used ? runs[i] : QList<QPointF>());
        pool[i]->setPointsVisible(used && runs[i].size() == 1);  // a lone point still shows
        pool[i]->setVisible(used && !m_hidden[static_cast<std::size_t>(c)]);
    }
}

void ChartControl::scaleValueAxis(const ValueExtent& extent, bool logarithmic)
{
    const double askedLow = m_autoScale ? extent.low : m_minimum;
    const double askedHigh = m_autoScale ? extent.high : m_maximum;
    m_drawnRange = drawableRange(askedLow, askedHigh, logarithmic, extent.smallestPositive);
    if (auto* axis = qobject_cast<QValueAxis*>(m_valueAxis)) {
        axis->setRange(m_drawnRange.first, m_drawnRange.second);
        axis->setTickCount(m_majorDivision + 1);
        axis->setMinorTickCount(m_minorDivision - 1);
        if (m_autoScale)
            axis->applyNiceNumbers();
        m_drawnRange = {axis->min(), axis->max()};
        axis->setLabelFormat(
            qtLabelFormat(m_labelFormat, (m_drawnRange.second - m_drawnRange.first) / std::max(1, axis->tickCount() - 1)));
    } else if (auto* logAxis = qobject_cast<QLogValueAxis*>(m_valueAxis)) {
        // The axis labels powers of ten only: whole decades give it at least two.
        const double lowDecade = std::floor(std::log10(m_drawnRange.first) + 1e-6);
        const double highDecade = std::max(lowDecade + 1, std::ceil(std::log10(m_drawnRange.second) - 1e-6));
        m_drawnRange = {std::pow(10.0, lowDecade), std::pow(10.0, highDecade)};
        // A hair wider, so rounding never drops the end decades' labels.
        logAxis->setRange(m_drawnRange.first * (1 - 1e-9), m_drawnRange.second * (1 + 1e-9));
        logAxis->setMinorTickCount(m_minorDivision - 1);
        logAxis->setLabelFormat(qtLabelFormat(m_labelFormat, 0));
    }
}

void ChartControl::labelTimeAxis()
{
    // Time labels along the bottom, every ten points.
    for (const QString& label : m_timeAxis->categoriesLabels())
        m_timeAxis->remove(label);
    for (int row = 10; row <= kRows; row += 10) {
        const auto text = m_grid.at(row, 0).toText();
        m_timeAxis->append(QString::fromStdString(text.value_or(std::string())), row);
    }
}

}  // namespace vimbo
