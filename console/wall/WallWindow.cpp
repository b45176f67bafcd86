#include "WallWindow.h"

#include "ProbeTile.h"
#include "core/Clock.h"
#include "core/Notifier.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace vimbo {

namespace {

// Four columns of tiles on a 1280 pixel wide screen, its scroll bar shown.
constexpr int kTileWidth = 306;
constexpr int kSpacing = 6;

}  // namespace

WallWindow::WallWindow(const Clock& clock, Handlers handlers, QWidget* parent)
    : QMainWindow(parent), m_clock(clock), m_handlers(std::move(handlers))
{
    setObjectName(QStringLiteral("WallWindow"));
    setWindowTitle(QStringLiteral("vimbo-console"));
    auto* bar = addToolBar(QStringLiteral("Wall"));
    bar->setObjectName(QStringLiteral("barWall"));
    bar->setMovable(false);
    QAction* add = bar->addAction(QStringLiteral("Add probe..."));
    add->setObjectName(QStringLiteral("actAddProbe"));
    connect(add, &QAction::triggered, this, [this] {
        if (m_handlers.addProbe)
            m_handlers.addProbe();
    });
    QAction* history = bar->addAction(QStringLiteral("Alarm history"));
    history->setObjectName(QStringLiteral("actAlarmHistory"));
    connect(history, &QAction::triggered, this, [this] {
        if (m_handlers.alarmHistory)
            m_handlers.alarmHistory();
    });
    bar->addSeparator();
    cmbSite = new QComboBox(bar);
    cmbSite->setObjectName(QStringLiteral("cmbSite"));
    cmbSite->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    bar->addWidget(cmbSite);
    chkNotable = new QCheckBox(QStringLiteral("Only probes with something to see"), bar);
    chkNotable->setObjectName(QStringLiteral("chkNotable"));
    bar->addWidget(chkNotable);
    lblCount = new QLabel(bar);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setContentsMargins(12, 0, 0, 0);
    bar->addWidget(lblCount);
    connect(cmbSite, &QComboBox::currentIndexChanged, this, &WallWindow::readFilter);
    connect(chkNotable, &QCheckBox::toggled, this, &WallWindow::readFilter);

    scrTiles = new QScrollArea(this);
    scrTiles->setObjectName(QStringLiteral("scrTiles"));
    scrTiles->setWidgetResizable(true);
    scrTiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area = new QWidget;
    m_grid = new QGridLayout(m_area);
    m_grid->setSpacing(kSpacing);
    m_grid->setContentsMargins(kSpacing, kSpacing, kSpacing, kSpacing);
    m_grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    scrTiles->setWidget(m_area);
    setCentralWidget(scrTiles);
    scrTiles->viewport()->installEventFilter(this);
    fillSites();

    tmrAge = new QTimer(this);
    tmrAge->setObjectName(QStringLiteral("tmrAge"));
    tmrAge->setInterval(1000);
    connect(tmrAge, &QTimer::timeout, this, [this] {
        // Only the tiles in sight: the others are a second behind at most when scrolled to.
        const QRect seen(m_area->mapFrom(scrTiles->viewport(), QPoint(0, 0)), scrTiles->viewport()->size());
        const std::int64_t now = nowMsecs();
        for (ProbeTile* tile : m_placed)
            if (tile->geometry().intersects(seen))
                tile->showAge(now);
    });
    tmrAge->start();
    resize(1280, 760);
}

WallWindow::~WallWindow() = default;

std::int64_t WallWindow::nowMsecs() const
{
    return m_clock.now().toMSecsSinceEpoch();
}

void WallWindow::showView(const ProbeView& view)
{
    const bool isNew = !m_tiles.count(view.id);
    const ProbeView* before = m_model.find(view.id);
    const bool siteChanged = isNew || before->site != view.site;
    // Only a new severity or filter answer can move tiles; otherwise the
    // tile alone shows its new view.
    const bool mayMove = siteChanged || severityOf(*before) != severityOf(view)
        || m_filter.keeps(*before) != m_filter.keeps(view);
    if (!m_model.put(view) && !isNew)
        return;
    ProbeTile*& tile = m_tiles[view.id];
    if (!tile) {
        tile = new ProbeTile(m_area);
        tile->setFixedWidth(kTileWidth);
        tile->opened = [this](const QString& id) {
            if (m_handlers.open)
                m_handlers.open(id);
        };
        tile->menuAsked = [this](const QString& id, const QPoint& at) {
            QMenu* menu = tileMenu(id);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(at);
        };
    }
    const QDateTime now = m_clock.now();
    tile->showView(view, now.toMSecsSinceEpoch(), now.offsetFromUtc());
    if (siteChanged)
        fillSites();
    if (mayMove)
        placeTiles();
}

void WallWindow::cycleEnded(const ProbeView& after, const std::vector<ProbeEvent>& events)
{
    showView(after);
    if (!m_notifier)
        return;
    for (const Notification& notification : notificationsOf(after, events))
        m_notifier->notify(*this, notification);
}

void WallWindow::removeProbe(const QString& id)
{
    const auto at = m_tiles.find(id);
    if (at == m_tiles.end())
        return;
    m_model.remove(id);
    m_placed.erase(std::remove(m_placed.begin(), m_placed.end(), at->second), m_placed.end());
    at->second->deleteLater();
    at->second->hide();
    m_tiles.erase(at);
    fillSites();
    placeTiles();
}

void WallWindow::setFilter(const WallFilter& filter)
{
    const QSignalBlocker blockSite(cmbSite), blockNotable(chkNotable);
    const int index = filter.site ? cmbSite->findData(*filter.site) : 0;
    cmbSite->setCurrentIndex(std::max(0, index));
    chkNotable->setChecked(filter.onlyNotable);
    m_filter = filter;
    if (index < 0)
        m_filter.site.reset();
    placeTiles();
}

void WallWindow::readFilter()
{
    const QVariant site = cmbSite->currentData();
    m_filter.site = site.isValid() ? std::optional(site.toString()) : std::nullopt;
    m_filter.onlyNotable = chkNotable->isChecked();
    placeTiles();
}

void WallWindow::fillSites()
{
    // The site chosen stays chosen while it has probes.
    const QVariant chosen = cmbSite->currentData();
    const QSignalBlocker block(cmbSite);
    cmbSite->clear();
    cmbSite->addItem(QStringLiteral("All sites"));
    for (const QString& site : m_model.sites())
        cmbSite->addItem(site.isEmpty() ? QStringLiteral("(no site)") : site, site);
    const int index = chosen.isValid() ? cmbSite->findData(chosen) : 0;
    cmbSite->setCurrentIndex(std::max(0, index));
    if (index < 0)
        m_filter.site.reset();
}

int WallWindow::columnCount() const
{
    const int width = scrTiles->viewport()->width() - kSpacing;
    return std::max(1, width / (kTileWidth + kSpacing));
}

void WallWindow::placeTiles()
{
    std::vector<ProbeTile*> order;
    for (const ProbeView* view : m_model.ordered(m_filter))
        order.push_back(m_tiles.at(view->id));
    lblCount->setText(QStringLiteral("%1 of %2 probes").arg(order.size()).arg(m_model.views().size()));
    const int columns = columnCount();
    if (order == m_placed && columns == m_placedColumns)
        return;
    for (ProbeTile* tile : m_placed)
        m_grid->removeWidget(tile);
    for (const auto& [id, tile] : m_tiles)
        tile->setVisible(std::find(order.begin(), order.end(), tile) != order.end());
    for (std::size_t i = 0; i < order.size(); ++i)
        m_grid->addWidget(order[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    m_placed = std::move(order);
    m_placedColumns = columns;
    const std::int64_t now = nowMsecs();
    for (ProbeTile* tile : m_placed)
        tile->showAge(now);
}

std::vector<ProbeTile*> WallWindow::shownTiles() const
{
    return m_placed;
}

QMenu* WallWindow::tileMenu(const QString& id)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuTile"));
    const auto add = [&](const QString& text, const QString& name, const std::function<void(const QString&)>& handler) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        action->setEnabled(bool(handler));
        connect(action, &QAction::triggered, this, [handler, id] { handler(id); });
    };
    add(QStringLiteral("Open"), QStringLiteral("actOpen"), m_handlers.open);
    add(QStringLiteral("Edit probe..."), QStringLiteral("actEditProbe"), m_handlers.editProbe);
    add(QStringLiteral("Remove probe"), QStringLiteral("actRemoveProbe"), m_handlers.removeProbe);
    return menu;
}

bool WallWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The columns follow the width the tiles have, not the window's.
    if (watched == scrTiles->viewport() && event->type() == QEvent::Resize)
        placeTiles();
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vimbo
