#pragma once

#include <QPointer>
#include <QString>

#include <map>
#include <memory>

namespace vimbo {

class Clock;
class ConsoleCore;
class Dialogs;
class frmAlarmHistory;
class frmMain;
class Notifier;
class WallWindow;

/// vimbo-console's window over its core: the wall fed by the core's cycles,
/// each probe's detail view fed by the core's poller of it, the one alarm
/// list across the probes, and probes added, edited and removed through the
/// core, which saves the list.
class ConsoleWall {
public:
    /// `notifier`: tells rises, clears, losses and returns (none: not told).
    ConsoleWall(ConsoleCore& core, const Clock& clock, Dialogs& dialogs, Notifier* notifier);
    ~ConsoleWall();

    WallWindow& wall() { return *m_wall; }
    /// Opens (or raises) the probe's detail view.
    void open(const QString& label);
    frmMain* detail(const QString& label) const;
    void addProbe();
    void editProbe(const QString& label);
    void removeProbe(const QString& label);
    /// Opens (or raises) the alarm list.
    void showAlarmHistory();
    frmAlarmHistory* alarmHistory() const;

private:
    void showList();
    void tell(const QString& message);

    ConsoleCore& m_core;
    const Clock& m_clock;
    Dialogs& m_dialogs;
    std::unique_ptr<WallWindow> m_wall;
    std::map<QString, QPointer<frmMain>> m_details;  // while the operator has them open
    QPointer<frmAlarmHistory> m_alarms;
};

/// Shows the wall over `core` until its window closes, then ends every
/// probe's watch cleanly. The exit status.
int runWall(ConsoleCore& core, const Clock& clock);

}  // namespace vimbo
