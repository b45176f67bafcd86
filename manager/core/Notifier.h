#pragma once

#include <QString>

class QWidget;

namespace vimbo {

/// What the operator is told beyond the window.
struct Notification {
    enum Urgency { Normal, Critical };
    Urgency urgency = Normal;
    QString title;  // which probe: the name it reported and its address:port
    QString text;   // what happened to it
};

/// Tells the operator of an alarm, or of a probe lost or back, beyond the
/// window: a desktop notification and the window marked as needing attention.
class Notifier {
public:
    virtual ~Notifier() = default;
    /// Must neither fail nor wait when nothing listens.
    virtual void notify(QWidget& window, const Notification& notification) = 0;
};

}  // namespace vimbo
