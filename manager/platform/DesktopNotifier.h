#pragma once

#include "core/Notifier.h"

namespace vimbo {

/// Through the freedesktop notification service on the session bus, and the
/// window system's attention flag.
class DesktopNotifier final : public Notifier {
public:
    void notify(QWidget& window, const Notification& notification) override;
};

}  // namespace vimbo
