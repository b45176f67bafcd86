#pragma once

#include "ProbeView.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vimbo {

/// How much a probe asks to be looked at, first to last.
enum class Severity { Alarm, Lost, Warning, Normal };

/// An alarm lit now; a probe whose cycles fail; a warning lit now; anything
/// else (answering and quiet, waiting, not watched). A stale lamp is the
/// probe's loss, not an alarm of now.
Severity severityOf(const ProbeView& view);

/// Which tiles the wall shows.
struct WallFilter {
    std::optional<QString> site;  // only this site's probes
    bool onlyNotable = false;     // only the probes with something to see
    bool keeps(const ProbeView& view) const;
};

/// The colours of a tile: the desktop's lamps, and the stale look of what was
/// not read again.
QColor lampColour(LampLook lamp, bool alarm);
QColor valueColour(bool stale);
/// The tile's values are old: the probe is not answering now.
bool valuesStale(const ProbeView& view);

/// The wall's probes by id, in the list's order; the tiles are asked in order
/// of severity, then label.
class WallModel {
public:
    /// Adds the probe, or replaces the view with its id. True when it changed.
    bool put(const ProbeView& view);
    bool remove(const QString& id);
    const ProbeView* find(const QString& id) const;
    const std::vector<ProbeView>& views() const { return m_views; }
    /// The views `filter` keeps: alarm, lost, warning, then normal; by label within each.
    std::vector<const ProbeView*> ordered(const WallFilter& filter) const;
    /// Every site of the list once, sorted.
    QStringList sites() const;

private:
    std::vector<ProbeView> m_views;
};

}  // namespace vimbo
