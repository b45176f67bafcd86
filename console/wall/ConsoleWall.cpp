#include "ConsoleWall.h"

#include "ConsoleCore.h"
#include "ProbeEntryDialog.h"
#include "ProbeList.h"
#include "TermSignals.h"
#include "WallWindow.h"
#include "core/Dialogs.h"
#include "journal/Journal.h"
#include "journal/frmAlarmHistory.h"
#include "main/frmMain.h"
#include "platform/DesktopNotifier.h"
#include "platform/QtDialogs.h"
#include "store/HistoryRecorder.h"

#include <QApplication>
#include <QStatusBar>

#include <set>

namespace vimbo {

namespace {

const QString kCaption = QStringLiteral("vimbo-console");

}  // namespace

ConsoleWall::ConsoleWall(ConsoleCore& core, const Clock& clock, Dialogs& dialogs, Notifier* notifier)
    : m_core(core), m_clock(clock), m_dialogs(dialogs)
{
    WallWindow::Handlers handlers;
    handlers.open = [this](const QString& id) { open(id); };
    handlers.addProbe = [this] { addProbe(); };
    handlers.editProbe = [this](const QString& id) { editProbe(id); };
    handlers.removeProbe = [this](const QString& id) { removeProbe(id); };
    handlers.alarmHistory = [this] { showAlarmHistory(); };
    m_wall = std::make_unique<WallWindow>(clock, std::move(handlers));
    m_wall->setNotifier(notifier);

    ConsoleCore::Handlers fed;
    fed.cycleEnded = [this](const ProbeView& view, const std::vector<ProbeEvent>& events) {
        m_wall->cycleEnded(view, events);
        if (!events.empty() && m_alarms)
            m_alarms->refreshSoon();
    };
    fed.reading = [this](const QString& label, const ProbeReading& reading) {
        if (frmMain* shown = detail(label))
            shown->feedReading(reading);
    };
    fed.ended = [this](const QString& label, const CycleEnd& end) {
        if (frmMain* shown = detail(label))
            shown->feedCycleEnd(end);
    };
    fed.listChanged = [this] { showList(); };
    fed.told = [this](const QString& message) { tell(message); };
    m_core.setHandlers(std::move(fed));
    showList();
}

ConsoleWall::~ConsoleWall()
{
    // The windows go before the core's pollers they pause, and never hear it again.
    m_core.setHandlers({});
    for (auto& [label, shown] : m_details)
        delete shown.data();
    delete m_alarms.data();
}

void ConsoleWall::showList()
{
    std::set<QString> listed;
    for (const ProbeView& view : m_core.views()) {
        listed.insert(view.id);
        m_wall->showView(view);
    }
    std::vector<QString> gone;
    for (const ProbeView& view : m_wall->model().views())
        if (!listed.count(view.id))
            gone.push_back(view.id);
    for (const QString& label : gone) {
        m_wall->removeProbe(label);
        // Its poller is gone: its detail view would show nothing new.
        if (const auto at = m_details.find(label); at != m_details.end()) {
            if (at->second)
                at->second->close();
            m_details.erase(at);
        }
    }
    if (m_alarms)
        m_alarms->refreshSoon();
}

void ConsoleWall::tell(const QString& message)
{
    m_wall->statusBar()->showMessage(message);
}

frmMain* ConsoleWall::detail(const QString& label) const
{
    const auto at = m_details.find(label);
    return at == m_details.end() ? nullptr : at->second.data();
}

void ConsoleWall::open(const QString& label)
{
    ProbePoller* poller = m_core.poller(label);
    if (!poller)
        return;
    QPointer<frmMain>& shown = m_details[label];
    if (!shown) {
        // Fed by the core's poller of the probe: the detail view polls nothing itself.
        shown = new frmMain(m_dialogs, m_clock, SnmpClientComponent::inProcess(),
                            frmMain::OutsideFeed{[this, label](bool writing) {
                                if (ProbePoller* feeding = m_core.poller(label))
                                    feeding->setWriting(writing);
                            }});
        shown->setAttribute(Qt::WA_DeleteOnClose);
        for (const ProbeEntry& entry : m_core.probes())
            if (entry.label == label)
                entry.settings.applyTo(shown->SnmpClient1());
        shown->frmMain_Form_Load();
        const Journal* journal = m_core.journal(label);
        if (m_core.store() && journal)
            shown->fillChartFromStore(*m_core.store(), journal->probe());
    }
    shown->show();
    shown->raise();
    shown->activateWindow();
}

void ConsoleWall::addProbe()
{
    QStringList taken;
    for (const ProbeEntry& entry : m_core.probes())
        taken << entry.label;
    const std::optional<ProbeEntry> entry =
        askProbeEntry(ProbeEntry{QString(), QString(), defaultProbeSettings()}, taken, m_dialogs, m_wall.get());
    if (!entry)
        return;
    if (const auto error = m_core.addProbe(*entry))
        m_dialogs.showMessage(kCaption, *error, MessageIcon::Exclamation, MessageButtons::Ok);
}

void ConsoleWall::editProbe(const QString& label)
{
    QStringList taken;
    std::optional<ProbeEntry> start;
    for (const ProbeEntry& entry : m_core.probes()) {
        if (entry.label == label)
            start = entry;
        else
            taken << entry.label;
    }
    if (!start)
        return;
    const std::optional<ProbeEntry> entry = askProbeEntry(*start, taken, m_dialogs, m_wall.get());
    if (!entry)
        return;
    if (const auto error = m_core.editProbe(label, *entry))
        m_dialogs.showMessage(kCaption, *error, MessageIcon::Exclamation, MessageButtons::Ok);
}

void ConsoleWall::removeProbe(const QString& label)
{
    for (const ProbeEntry& entry : m_core.probes()) {
        if (entry.label != label)
            continue;
        if (!confirmRemoval(entry.label, entry.site, m_dialogs))
            return;
        if (const auto error = m_core.removeProbe(label))
            m_dialogs.showMessage(kCaption, *error, MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
}

frmAlarmHistory* ConsoleWall::alarmHistory() const
{
    return m_alarms.data();
}

void ConsoleWall::showAlarmHistory()
{
    HistoryRecorder* store = m_core.store();
    if (!store) {
        m_dialogs.showMessage(kCaption, QStringLiteral("No history is being recorded."), MessageIcon::Information,
                              MessageButtons::Ok);
        return;
    }
    if (!m_alarms) {
        const auto listed = [this] {
            std::vector<frmAlarmHistory::ListedProbe> probes;
            for (const ProbeEntry& entry : m_core.probes()) {
                // As the journal names the probe in the store.
                if (const Journal* journal = m_core.journal(entry.label))
                    probes.push_back({entry.label, entry.site, journal->probe().address, journal->probe().port});
            }
            return probes;
        };
        m_alarms = new frmAlarmHistory(*store, listed, m_dialogs, m_clock, m_wall.get());
        m_alarms->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_alarms->show();
    m_alarms->raise();
}

int runWall(ConsoleCore& core, const Clock& clock)
{
    QtDialogs dialogs;
    DesktopNotifier notifier;
    ConsoleWall window(core, clock, dialogs, &notifier);
    // A detail view or the alarm list closing leaves the console running; the wall closing ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    core.start();
    window.wall().show();
    struct QuitOnClose : QObject {
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Close)
                QCoreApplication::quit();
            return false;
        }
    } quitOnClose;
    window.wall().installEventFilter(&quitOnClose);
    // A logout's SIGTERM, or Ctrl-C in a terminal, ends every watch cleanly as closing the wall does.
    TermSignals terminated([&window](int) { window.wall().close(); });
    const int code = QApplication::exec();
    core.stop();
    return code;
}

}  // namespace vimbo
