#pragma once

#include "store/HistoryStore.h"

#include <QDialog>

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
class Journal;

/// "Alarm history": the journal of the probe being watched, newest first with
/// what is still active on top, its state, filters, acknowledgement and a CSV
/// export. It reads the store on the store's thread and never waits on it.
class frmAlarmHistory : public QDialog {
public:
    frmAlarmHistory(Journal& journal, Dialogs& dialogs, const Clock& clock, QWidget* owner);

    /// Asks the store again; the table follows when the answer comes.
    void refresh();
    /// The rows shown, in their order.
    const std::vector<JournalEvent>& shown() const { return m_shown; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showEvents(std::vector<JournalEvent> events);
    void acknowledgeSelected();
    void exportCsv();
    EventFilter filter() const;
    const JournalEvent* selected() const;

    Journal& m_journal;
    Dialogs& m_dialogs;
    const Clock& m_clock;
    std::vector<JournalEvent> m_shown;
    QLabel* lblProbeState = nullptr;
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
