#pragma once

#include <QString>

class QWidget;

namespace vimbo {

/// Tells the operator of an alarm beyond the window: a desktop notification
/// and the window marked as needing attention.
class Notifier {
public:
    virtual ~Notifier() = default;
    /// Must neither fail nor wait when nothing listens.
    virtual void alarmRaised(QWidget& window, const QString& text) = 0;
};

/// Through the freedesktop notification service on the session bus, and the
/// window system's attention flag.
class DesktopNotifier final : public Notifier {
public:
    void alarmRaised(QWidget& window, const QString& text) override;
};

}  // namespace vimbo
