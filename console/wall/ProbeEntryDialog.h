#pragma once

#include "ProbeEntry.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

namespace vimbo {

class Dialogs;

/// "Probe": a probe's label and site, checked before the dialog closes.
class ProbeEntryDialog : public QDialog {
public:
    ProbeEntryDialog(const ProbeEntry& start, QStringList taken, Dialogs& dialogs, QWidget* owner);
    QString label() const;
    QString site() const;

private:
    void okClicked();

    QStringList m_taken;
    Dialogs& m_dialogs;
    QLineEdit* txtLabel = nullptr;
    QLineEdit* txtSite = nullptr;
    QPushButton* btnNext = nullptr;
};

/// Asks for a probe's label and site, then its SNMP settings through the SNMP
/// dialog and its checks, starting from `start`; nothing when either is cancelled.
/// `taken`: the other probes' labels.
std::optional<ProbeEntry> askProbeEntry(const ProbeEntry& start, const QStringList& taken, Dialogs& dialogs,
                                        QWidget* owner);

/// "Remove kestrel-hill-1 (Kestrel Hill) from the list?": true on OK.
bool confirmRemoval(const QString& label, const QString& site, Dialogs& dialogs);

}  // namespace vimbo
