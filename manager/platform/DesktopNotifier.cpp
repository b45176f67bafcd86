#include "DesktopNotifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace vimbo {

void DesktopNotifier::notify(QWidget& window, const Notification& notification)
{
    QApplication::alert(&window);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;  // no session bus (a server, CI): the window's flag is all there is
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The hint's byte: 1 normal, 2 critical, as the notification protocol numbers them.
    const QVariantMap hints{{QStringLiteral("urgency"),
                             QVariant::fromValue(static_cast<uchar>(notification.urgency == Notification::Critical ? 2 : 1))}};
    notify << QStringLiteral("Vimbo SNMP Demo Manager") << 0u << QStringLiteral("vimboManager") << notification.title
           << notification.text << QStringList() << hints << -1;
    // Sent without waiting for the answer: a missing service costs nothing here.
    notify.setAutoStartService(false);
    bus.send(notify);
}

}  // namespace vimbo
