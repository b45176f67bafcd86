#pragma once

#include "store/HistoryStore.h"

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace vimbo {

class Clock;
class Dialogs;
class HistoryRecorder;
class Journal;

/// "Alarm history": the journal of the probe being watched, newest first with
/// what is still active on top, its state, filters, acknowledgement and a CSV
/// export. It reads the store on the store's thread and never waits on it.
class frmAlarmHistory : public QDialog {
public:
    frmAlarmHistory(Journal& journal, Dialogs& dialogs, const Clock& clock, QWidget* owner);

    /// A probe of the console's list, as the list names it.
    struct ListedProbe {
        QString label, site, address;
        int port = 0;
    };
    /// The console's one list across the probes `listed` gives (asked at each
    /// refresh): a probe and a site column, and a probe filter.
    frmAlarmHistory(HistoryRecorder& recorder, std::function<std::vector<ListedProbe>()> listed, Dialogs& dialogs,
                    const Clock& clock, QWidget* owner);
    /// Something was recorded: the table follows shortly, when shown.
    void refreshSoon();

    /// Asks the store again; the table follows when the answer comes.
    void refresh();
    /// The rows shown, in their order.
    const std::vector<JournalEvent>& shown() const { return m_shown; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void fillProbes();
    HistoryRecorder* recorder() const;
    const ListedProbe* listedOf(const ProbeKey& probe) const;
    void showEvents(std::vector<JournalEvent> events);
    void acknowledgeSelected();
    void exportCsv();
    EventFilter filter() const;
    const JournalEvent* selected() const;

    Journal* m_journal = nullptr;         // one probe's window
    HistoryRecorder* m_recorder = nullptr;  // the console's, across its list
    std::function<std::vector<ListedProbe>()> m_listed;
    std::vector<ListedProbe> m_probes;  // as listed at the last refresh
    Dialogs& m_dialogs;
    const Clock& m_clock;
    std::vector<JournalEvent> m_shown;
    QLabel* lblProbeState = nullptr;
    QComboBox* cmbProbe = nullptr;  // the console's only
    QComboBox* cmbSlot = nullptr;
    QComboBox* cmbKind = nullptr;
    QComboBox* cmbSince = nullptr;
    QTableWidget* tblEvents = nullptr;
    QLineEdit* txtNote = nullptr;
    QPushButton* btnAcknowledge = nullptr;
    QPushButton* btnExport = nullptr;
    QTimer* tmrRefresh = nullptr;  // gathers a cycle's events into one query
};

}  // namespace vimbo
