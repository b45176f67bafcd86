#include "Notifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace vimbo {

void DesktopNotifier::alarmRaised(QWidget& window, const QString& text)
{
    QApplication::alert(&window);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;  // no session bus (a server, CI): the window's flag is all there is
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    notify << QStringLiteral("Vimbo SNMP Demo Manager") << 0u << QStringLiteral("vimboManager")
           << QStringLiteral("Vimbo probe alarm") << text << QStringList() << QVariantMap() << -1;
    // Sent without waiting for the answer: a missing service costs nothing here.
    notify.setAutoStartService(false);
    bus.send(notify);
}

}  // namespace vimbo
