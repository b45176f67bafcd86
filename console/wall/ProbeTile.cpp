#include "ProbeTile.h"

#include "WallModel.h"
#include "widgets/Controls.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace vimbo {

namespace {

QLabel* plainLabel(QWidget* parent, const QString& name)
{
    // Names come from the list and from the network: never rich text.
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

void setTextColour(QLabel& label, const QColor& colour)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

LampShape* lamp(QWidget* parent, const QString& name)
{
    auto* shape = new LampShape(parent);
    shape->setObjectName(name);
    shape->setFixedSize(12, 12);
    return shape;
}

}  // namespace

ProbeTile::ProbeTile(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    // As tall as its contents: the wall shows more rows, never stretched tiles.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(palette);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 6, 4);
    column->setSpacing(1);
    auto* head = new QHBoxLayout;
    lblLabel = plainLabel(this, QStringLiteral("lblLabel"));
    QFont bold = lblLabel->font();
    bold.setBold(true);
    lblLabel->setFont(bold);
    lblSite = plainLabel(this, QStringLiteral("lblSite"));
    lblSite->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    head->addWidget(lblLabel, 1);
    head->addWidget(lblSite);
    column->addLayout(head);
    lblName = plainLabel(this, QStringLiteral("lblName"));
    lblAddress = plainLabel(this, QStringLiteral("lblAddress"));
    lblState = plainLabel(this, QStringLiteral("lblState"));
    column->addWidget(lblName);
    column->addWidget(lblAddress);
    column->addWidget(lblState);

    // Two columns of three slots keep twelve tiles on one 1280x800 screen.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    for (int s = 0; s < kSlotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int row = s % 3, col = (s / 3) * 3;
        lampAlarm[i] = lamp(this, QStringLiteral("lampAlarm_%1").arg(s));
        lampWarning[i] = lamp(this, QStringLiteral("lampWarning_%1").arg(s));
        lblChannel[i] = plainLabel(this, QStringLiteral("lblChannel_%1").arg(s));
        auto* lamps = new QHBoxLayout;
        lamps->setSpacing(2);
        lamps->addWidget(lampAlarm[i]);
        lamps->addWidget(lampWarning[i]);
        grid->addLayout(lamps, row, col);
        grid->addWidget(lblChannel[i], row, col + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    column->addLayout(grid);
    lblAge = plainLabel(this, QStringLiteral("lblAge"));
    column->addWidget(lblAge);

    // A tile is as tall whatever its texts: a new text then lays out this
    // tile alone, never the wall's hundred.
    for (QLabel* label : findChildren<QLabel*>())
        label->setMinimumHeight(label->fontMetrics().height());
    setFixedHeight(sizeHint().height());
}

void ProbeTile::showView(const ProbeView& view, std::int64_t nowMsecs, int utcOffsetSeconds)
{
    m_view = view;
    setObjectName(QStringLiteral("tile_") + view.id);
    lblLabel->setText(view.id);
    lblSite->setText(view.site);
    lblName->setText(view.reportedName);
    lblAddress->setText(view.address);
    lblState->setText(stateText(view, utcOffsetSeconds));
    const bool stale = valuesStale(view);
    setTextColour(*lblName, valueColour(stale));
    for (std::size_t s = 0; s < kSlotCount; ++s) {
        const SlotView& slot = view.slotViews[s];
        lampAlarm[s]->setFillColor(lampColour(slot.alarm, true));
        lampWarning[s]->setFillColor(lampColour(slot.warning, false));
        lblChannel[s]->setText(slot.channel);
        setTextColour(*lblChannel[s], valueColour(stale));
    }
    const Severity severity = severityOf(view);
    QColor state = valueColour(false);
    if (severity == Severity::Alarm)
        state = lampColour(LampLook::Lit, true);
    else if (severity == Severity::Lost)
        state = valueColour(true);
    setTextColour(*lblState, state);
    showAge(nowMsecs);
}

void ProbeTile::showAge(std::int64_t nowMsecs)
{
    lblAge->setText(QStringLiteral("last cycle: ") + cycleAgeText(m_view, nowMsecs));
}

void ProbeTile::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (opened)
        opened(m_view.id);
}

void ProbeTile::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && opened) {
        opened(m_view.id);
        return;
    }
    QFrame::keyPressEvent(event);
}

void ProbeTile::contextMenuEvent(QContextMenuEvent* event)
{
    if (menuAsked)
        menuAsked(m_view.id, event->globalPos());
}

}  // namespace vimbo
