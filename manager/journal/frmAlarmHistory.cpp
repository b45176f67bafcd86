#include "frmAlarmHistory.h"

#include "Journal.h"
#include "chart/HistoryCsv.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/SafeFile.h"
#include "store/HistoryExport.h"
#include "store/HistoryRecorder.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIODevice>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

// The windows never see SQLite: the store's failures reach them as values.
#ifdef SQLITE_VERSION
#error "sqlite3.h reaches a window through the store's headers"
#endif

namespace vimbo {

namespace {

const QString kTitle = QStringLiteral("Alarm history");

// The kind filter's choices and the kinds each lets through.
const std::pair<QString, std::vector<EventKind>> kKindChoices[] = {
    {QStringLiteral("All events"), {}},
    {QStringLiteral("Alarms"), {EventKind::AlarmRose, EventKind::AlarmCleared, EventKind::AlarmUnknownEnd}},
    {QStringLiteral("Warnings"), {EventKind::WarningRose, EventKind::WarningCleared, EventKind::WarningUnknownEnd}},
    {QStringLiteral("Probe state"),
     {EventKind::ProbeLost, EventKind::NeverAnswered, EventKind::ProbeBack, EventKind::OutageUnknownEnd}},
    {QStringLiteral("Agent and Save"), {EventKind::AgentChanged, EventKind::Save}},
};

// The time filter's choices, in hours back; 0 is everything.
const std::pair<QString, int> kSinceChoices[] = {
    {QStringLiteral("Last 24 hours"), 24}, {QStringLiteral("Last hour"), 1}, {QStringLiteral("Last 7 days"), 24 * 7},
    {QStringLiteral("Last 30 days"), 24 * 30}, {QStringLiteral("Everything"), 0},
};

const QStringList kColumns = {QStringLiteral("Time"),  QStringLiteral("Probe"),    QStringLiteral("Event"),
                              QStringLiteral("Slot"),  QStringLiteral("Channel"),  QStringLiteral("Duration"),
                              QStringLiteral("Power"), QStringLiteral("MER"),      QStringLiteral("VBER"),
                              QStringLiteral("Acknowledged by"), QStringLiteral("Note")};

QString value(const std::optional<double>& v, char format, int precision)
{
    return v ? QString::number(*v, format, precision) : QString();
}

QString acknowledgedBy(const JournalEvent& e)
{
    QStringList users;
    for (const Acknowledgement& a : e.acknowledgements)
        users << a.user;
    return users.join(QStringLiteral(", "));
}

// Every acknowledgement (with its time when there are several), the detail,
// and what the record went through: flaps, gaps nobody watched.
QString note(const JournalEvent& e)
{
    QStringList parts;
    for (const Acknowledgement& a : e.acknowledgements) {
        if (e.acknowledgements.size() == 1)
            parts << a.note;
        else
            parts << isoTimeWithOffset(a.time).mid(11, 8) + QLatin1Char(' ') + a.user + QStringLiteral(": ") + a.note;
    }
    parts << e.detail;
    if (e.flaps > 0)
        parts << (e.flaps == 1 ? QStringLiteral("1 flap") : QStringLiteral("%1 flaps").arg(e.flaps));
    if (e.gaps > 0)
        parts << (e.gaps == 1 ? QStringLiteral("across 1 unwatched gap")
                              : QStringLiteral("across %1 unwatched gaps").arg(e.gaps));
    parts.removeAll(QString());
    return parts.join(QStringLiteral("; "));
}

}  // namespace

frmAlarmHistory::frmAlarmHistory(Journal& journal, Dialogs& dialogs, const Clock& clock, QWidget* owner)
    : QDialog(owner), m_journal(&journal), m_dialogs(dialogs), m_clock(clock)
{
    build();
    m_journal->setChanged([this] { refreshSoon(); });
}

frmAlarmHistory::frmAlarmHistory(HistoryRecorder& recorder, std::function<std::vector<ListedProbe>()> listed,
                                 Dialogs& dialogs, const Clock& clock, QWidget* owner)
    : QDialog(owner), m_recorder(&recorder), m_listed(std::move(listed)), m_dialogs(dialogs), m_clock(clock)
{
    build();
}

void frmAlarmHistory::refreshSoon()
{
    if (isVisible())
        tmrRefresh->start();
}

HistoryRecorder* frmAlarmHistory::recorder() const
{
    return m_journal ? m_journal->recorder() : m_recorder;
}

const frmAlarmHistory::ListedProbe* frmAlarmHistory::listedOf(const ProbeKey& probe) const
{
    const auto at = std::find_if(m_probes.begin(), m_probes.end(), [&](const ListedProbe& listed) {
        return listed.address == probe.address && listed.port == probe.port;
    });
    return at == m_probes.end() ? nullptr : &*at;
}

void frmAlarmHistory::fillProbes()
{
    // The probe chosen stays chosen while it is listed.
    m_probes = m_listed();
    const QString chosen = cmbProbe->currentData().toString();
    const QSignalBlocker block(cmbProbe);
    cmbProbe->clear();
    cmbProbe->addItem(QStringLiteral("All probes"));
    for (const ListedProbe& probe : m_probes)
        cmbProbe->addItem(probe.site.isEmpty() ? probe.label : probe.label + QStringLiteral(" (") + probe.site + QLatin1Char(')'),
                          probe.label);
    cmbProbe->setCurrentIndex(std::max(0, chosen.isEmpty() ? 0 : cmbProbe->findData(chosen)));
}

void frmAlarmHistory::build()
{
    setObjectName(QStringLiteral("frmAlarmHistory"));
    setWindowTitle(kTitle);
    setModal(false);
    resize(980, 460);

    lblProbeState = new QLabel(this);
    lblProbeState->setObjectName(QStringLiteral("lblProbeState"));
    lblProbeState->setTextFormat(Qt::PlainText);  // the probe names itself: no markup of its runs
    if (m_listed) {
        cmbProbe = new QComboBox(this);
        cmbProbe->setObjectName(QStringLiteral("cmbProbe"));
        cmbProbe->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        cmbProbe->addItem(QStringLiteral("All probes"));
    }
    cmbSlot = new QComboBox(this);
    cmbSlot->setObjectName(QStringLiteral("cmbSlot"));
    cmbSlot->addItem(QStringLiteral("All slots"), -1);
    for (int s = 0; s < kSlotCount; ++s)
        cmbSlot->addItem(QStringLiteral("Slot %1").arg(s + 1), s);
    cmbKind = new QComboBox(this);
    cmbKind->setObjectName(QStringLiteral("cmbKind"));
    for (const auto& [text, kinds] : kKindChoices)
        cmbKind->addItem(text);
    cmbSince = new QComboBox(this);
    cmbSince->setObjectName(QStringLiteral("cmbSince"));
    for (const auto& [text, hours] : kSinceChoices)
        cmbSince->addItem(text, hours);

    QStringList columns = kColumns;
    if (m_listed)
        columns.insert(2, QStringLiteral("Site"));
    tblEvents = new QTableWidget(0, static_cast<int>(columns.size()), this);
    tblEvents->setObjectName(QStringLiteral("tblEvents"));
    tblEvents->setHorizontalHeaderLabels(columns);
    tblEvents->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblEvents->setSelectionMode(QAbstractItemView::SingleSelection);
    tblEvents->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblEvents->verticalHeader()->hide();
    tblEvents->horizontalHeader()->setStretchLastSection(true);

    txtNote = new QLineEdit(this);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setPlaceholderText(QStringLiteral("Note (optional)"));
    btnAcknowledge = new QPushButton(QStringLiteral("Acknowledge"), this);
    btnAcknowledge->setObjectName(QStringLiteral("btnAcknowledge"));
    btnAcknowledge->setEnabled(false);
    btnExport = new QPushButton(QStringLiteral("Export CSV..."), this);
    btnExport->setObjectName(QStringLiteral("btnExport"));
    auto* btnClose = new QPushButton(QStringLiteral("Close"), this);

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Show:"), this));
    if (cmbProbe)
        filters->addWidget(cmbProbe);
    filters->addWidget(cmbSlot);
    filters->addWidget(cmbKind);
    filters->addWidget(cmbSince);
    filters->addStretch();
    auto* actions = new QHBoxLayout;
    actions->addWidget(txtNote, 1);
    actions->addWidget(btnAcknowledge);
    actions->addStretch();
    actions->addWidget(btnExport);
    actions->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblProbeState);
    layout->addLayout(filters);
    layout->addWidget(tblEvents, 1);
    layout->addLayout(actions);

    tmrRefresh = new QTimer(this);
    tmrRefresh->setSingleShot(true);
    tmrRefresh->setInterval(200);
    connect(tmrRefresh, &QTimer::timeout, this, &frmAlarmHistory::refresh);
    for (QComboBox* box : {cmbProbe, cmbSlot, cmbKind, cmbSince})
        if (box)
            connect(box, &QComboBox::currentIndexChanged, this, &frmAlarmHistory::refresh);
    connect(tblEvents, &QTableWidget::itemSelectionChanged, this, [this] {
        const JournalEvent* event = selected();
        btnAcknowledge->setEnabled(event && event->active && recorder());
    });
    connect(btnAcknowledge, &QPushButton::clicked, this, &frmAlarmHistory::acknowledgeSelected);
    connect(btnExport, &QPushButton::clicked, this, &frmAlarmHistory::exportCsv);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::hide);
}

void frmAlarmHistory::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    refresh();
}

EventFilter frmAlarmHistory::filter() const
{
    EventFilter f;
    if (m_journal) {
        // This manager's probe, under whatever name it reported there.
        f.probe = ProbeKey{m_journal->probe().address, m_journal->probe().port, {}};
    } else if (const int chosen = cmbProbe->currentIndex(); chosen > 0 && chosen <= static_cast<int>(m_probes.size())) {
        const ListedProbe& probe = m_probes[static_cast<std::size_t>(chosen - 1)];
        f.probe = ProbeKey{probe.address, probe.port, {}};
    }
    f.slot = cmbSlot->currentData().toInt();
    f.kinds = kKindChoices[static_cast<std::size_t>(std::max(0, cmbKind->currentIndex()))].second;
    if (const int hours = cmbSince->currentData().toInt(); hours > 0)
        f.sinceMsecs = m_clock.now().toMSecsSinceEpoch() - std::int64_t{hours} * 3'600'000;
    return f;
}

void frmAlarmHistory::refresh()
{
    if (!m_journal) {
        fillProbes();
        HistoryRecorder* store = recorder();
        lblProbeState->setText(QStringLiteral("Every probe of the list") +
                               (store->recording() ? QString() : QStringLiteral(". No history is being recorded.")));
        const EventFilter f = filter();
        store->query<std::vector<JournalEvent>>([f](const HistoryStore& history) { return history.events(f); }, this,
                                                [this](std::vector<JournalEvent> events) {
                                                    // Other managers' probes in the same store are not this list's.
                                                    std::erase_if(events, [this](const JournalEvent& e) { return !listedOf(e.probe); });
                                                    showEvents(std::move(events));
                                                });
        return;
    }
    const ProbeKey& probe = m_journal->probe();
    const QString who = (probe.name.isEmpty() ? QStringLiteral("Probe") : probe.name) + QStringLiteral(" at ") + probe.where();
    HistoryRecorder* recorder = m_journal->recorder();
    if (!recorder || !recorder->recording()) {
        lblProbeState->setText(who + QStringLiteral(": ") + m_journal->stateText() +
                               QStringLiteral(". No history is being recorded."));
        if (!recorder)
            return showEvents({});
    } else {
        lblProbeState->setText(who + QStringLiteral(": ") + m_journal->stateText());
    }
    const EventFilter f = filter();
    recorder->query<std::vector<JournalEvent>>([f](const HistoryStore& store) { return store.events(f); }, this,
                                               [this](std::vector<JournalEvent> events) { showEvents(std::move(events)); });
}

void frmAlarmHistory::showEvents(std::vector<JournalEvent> events)
{
    // What is still going on comes first; each part newest first, as the store gave it.
    std::stable_partition(events.begin(), events.end(), [](const JournalEvent& e) { return e.active; });
    const std::int64_t keep = selected() ? selected()->id : 0;
    m_shown = std::move(events);
    tblEvents->setRowCount(static_cast<int>(m_shown.size()));
    for (int row = 0; row < static_cast<int>(m_shown.size()); ++row) {
        const JournalEvent& e = m_shown[static_cast<std::size_t>(row)];
        const ListedProbe* listed = m_journal ? nullptr : listedOf(e.probe);
        QStringList cells{
            isoTimeWithOffset(e.time).replace(QLatin1Char('T'), QLatin1Char(' ')),
            listed ? listed->label : (e.probe.name.isEmpty() ? QString() : e.probe.name + QLatin1Char(' ')) + e.probe.where(),
            eventKindText(e.kind) + (e.active ? QStringLiteral(" (active)") : QString()),
            e.slot >= 0 ? QString::number(e.slot + 1) : QString(),
            e.channel,
            e.durationMsecs ? durationText(*e.durationMsecs) : QString(),
            value(e.power, 'f', 2),
            value(e.mer, 'f', 2),
            value(e.vber, 'E', 1),
            acknowledgedBy(e),
            note(e)};
        if (listed)
            cells.insert(2, listed->site);
        const QColor background = !e.active                       ? QColor()
                                  : opens(e.kind) == Episode::Alarm   ? QColor(255, 205, 205)
                                  : opens(e.kind) == Episode::Warning ? QColor(255, 240, 190)
                                                                  : QColor(225, 225, 225);
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (background.isValid())
                item->setBackground(background);
            tblEvents->setItem(row, column, item);
        }
        if (e.id == keep)
            tblEvents->selectRow(row);
    }
    tblEvents->resizeColumnsToContents();
}

const JournalEvent* frmAlarmHistory::selected() const
{
    const auto rows = tblEvents->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.front().row() >= static_cast<int>(m_shown.size()))
        return nullptr;
    return &m_shown[static_cast<std::size_t>(rows.front().row())];
}

void frmAlarmHistory::acknowledgeSelected()
{
    const JournalEvent* event = selected();
    if (!event || !event->active)
        return;
    if (m_journal) {
        m_journal->acknowledge(event->id, txtNote->text().trimmed());
    } else {
        const QDateTime now = m_clock.now();
        m_recorder->acknowledge(event->id, Journal::userName(), txtNote->text().trimmed(),
                                {now.toMSecsSinceEpoch(), now.offsetFromUtc()});
    }
    txtNote->clear();
    refresh();
}

void frmAlarmHistory::exportCsv()
{
    const auto file = m_dialogs.saveFileName(QStringLiteral("Export alarm history"),
                                             QStringLiteral("CSV files (*.csv)|*.csv|All files|*.*"),
                                             QStringLiteral("alarm-history.csv"));
    if (!file)
        return;
    const QByteArray csv = (m_journal ? eventsCsv(m_shown)
                                      : eventsCsv(m_shown, [this](const ProbeKey& probe) {
                                            const ListedProbe* listed = listedOf(probe);
                                            return listed ? ListedNames{listed->label, listed->site} : ListedNames{};
                                        }))
                               .toUtf8();
    if (const auto error = writeFileSafely(*file, [&](QIODevice& out) { return out.write(csv) == csv.size(); }))
        m_dialogs.showMessage(kTitle, *error, MessageIcon::Exclamation, MessageButtons::Ok);
}

}  // namespace vimbo
