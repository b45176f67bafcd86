#pragma once

#include "ProbeView.h"
#include "core/Slots.h"

#include <QFrame>

#include <cstdint>
#include <functional>

class QLabel;

namespace vimbo {

class LampShape;

/// One probe on the wall: its label and site, the name it reports, its
/// address and state, six slots' alarm and warning lamps with their channel
/// labels, and the age of its last complete cycle. Opened by a double click
/// or Enter.
class ProbeTile : public QFrame {
public:
    explicit ProbeTile(QWidget* parent = nullptr);

    void showView(const ProbeView& view, std::int64_t nowMsecs, int utcOffsetSeconds);
    /// Only the age moves between two cycles.
    void showAge(std::int64_t nowMsecs);
    const ProbeView& view() const { return m_view; }

    std::function<void(const QString& id)> opened;
    std::function<void(const QString& id, const QPoint& globalPos)> menuAsked;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ProbeView m_view;
    QLabel* lblLabel = nullptr;
    QLabel* lblSite = nullptr;
    QLabel* lblName = nullptr;
    QLabel* lblAddress = nullptr;
    QLabel* lblState = nullptr;
    QLabel* lblAge = nullptr;
    PerSlot<LampShape*> lampAlarm{};
    PerSlot<LampShape*> lampWarning{};
    PerSlot<QLabel*> lblChannel{};
};

}  // namespace vimbo
