#pragma once

#include "WallModel.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QMenu;
class QScrollArea;
class QTimer;

namespace vimbo {

class Clock;
class Notifier;
struct ProbeEvent;
class ProbeTile;

/// The console's wall: one tile per probe of the list, the most severe first,
/// as many columns as the window is wide and scrolling below. It shows the
/// views it is given and tells its owner what the operator asks for.
class WallWindow : public QMainWindow {
public:
    struct Handlers {
        std::function<void(const QString& id)> open;    // the detail view of a probe
        std::function<void()> addProbe;
        std::function<void(const QString& id)> editProbe;
        std::function<void(const QString& id)> removeProbe;
        std::function<void()> alarmHistory;  // the one alarm list
    };

    explicit WallWindow(const Clock& clock, Handlers handlers = {}, QWidget* parent = nullptr);
    ~WallWindow() override;

    /// Adds the probe's tile or shows its new view; the order follows.
    void showView(const ProbeView& view);
    /// A poller's cycle ended: its view is shown and its events told, once each.
    void cycleEnded(const ProbeView& after, const std::vector<ProbeEvent>& events);
    /// Alarms and losses are told through `notifier` (none: not told).
    void setNotifier(Notifier* notifier) { m_notifier = notifier; }
    /// The probe left the list: its tile goes.
    void removeProbe(const QString& id);
    void setFilter(const WallFilter& filter);
    const WallModel& model() const { return m_model; }
    /// The tiles shown, in their order on the wall (left to right, top to bottom).
    std::vector<ProbeTile*> shownTiles() const;
    /// What a tile's context menu offers; the caller owns it.
    QMenu* tileMenu(const QString& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readFilter();
    void fillSites();
    void placeTiles();
    int columnCount() const;
    std::int64_t nowMsecs() const;

    const Clock& m_clock;
    Handlers m_handlers;
    Notifier* m_notifier = nullptr;
    WallModel m_model;
    WallFilter m_filter;
    std::map<QString, ProbeTile*> m_tiles;  // children of the wall's area
    std::vector<ProbeTile*> m_placed;
    int m_placedColumns = 0;
    QComboBox* cmbSite = nullptr;
    QCheckBox* chkNotable = nullptr;
    QLabel* lblCount = nullptr;
    QScrollArea* scrTiles = nullptr;
    QWidget* m_area = nullptr;
    QGridLayout* m_grid = nullptr;
    QTimer* tmrAge = nullptr;
};

}  // namespace vimbo
