#include "ProbeEntryDialog.h"

#include "SnmpClient.h"
#include "core/Dialogs.h"
#include "snmpsettings/frmSnmpConfig.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vimbo {

namespace {

const QString kCaption = QStringLiteral("Probe");

}  // namespace

ProbeEntryDialog::ProbeEntryDialog(const ProbeEntry& start, QStringList taken, Dialogs& dialogs, QWidget* owner)
    : QDialog(owner), m_taken(std::move(taken)), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("ProbeEntryDialog"));
    setWindowTitle(kCaption);
    setModal(true);
    txtLabel = new QLineEdit(start.label, this);
    txtLabel->setObjectName(QStringLiteral("txtLabel"));
    txtSite = new QLineEdit(start.site, this);
    txtSite->setObjectName(QStringLiteral("txtSite"));
    btnNext = new QPushButton(QStringLiteral("SNMP settings..."), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Label"), txtLabel);
    form->addRow(QStringLiteral("Site"), txtSite);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnNext);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(btnNext, &QPushButton::clicked, this, &ProbeEntryDialog::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString ProbeEntryDialog::label() const { return txtLabel->text().trimmed(); }
QString ProbeEntryDialog::site() const { return txtSite->text().trimmed(); }

void ProbeEntryDialog::okClicked()
{
    std::optional<QString> problem = labelProblem(label(), m_taken);
    QLineEdit* box = txtLabel;
    if (!problem) {
        problem = siteProblem(site());
        box = txtSite;
    }
    if (problem) {
        m_dialogs.showMessage(kCaption, *problem, MessageIcon::Exclamation, MessageButtons::Ok);
        box->setFocus();
        return;
    }
    accept();
}

std::optional<ProbeEntry> askProbeEntry(const ProbeEntry& start, const QStringList& taken, Dialogs& dialogs,
                                        QWidget* owner)
{
    ProbeEntryDialog names(start, taken, dialogs, owner);
    if (names.exec() != QDialog::Accepted)
        return std::nullopt;
    zemtra::SnmpClient client;
    start.settings.applyTo(client);
    frmSnmpConfig settings(client, dialogs, owner);
    settings.frmSnmpConfig_Form_Load();
    if (settings.exec() != QDialog::Accepted)
        return std::nullopt;
    return ProbeEntry{names.label(), names.site(), ClientSettings::of(client)};
}

bool confirmRemoval(const QString& label, const QString& site, Dialogs& dialogs)
{
    const QString who = site.isEmpty() ? label : label + QStringLiteral(" (") + site + QLatin1Char(')');
    return dialogs.showMessage(kCaption, QStringLiteral("Remove ") + who + QStringLiteral(" from the list?"),
                               MessageIcon::Question, MessageButtons::OkCancel) == MessageAnswer::Ok;
}

}  // namespace vimbo
