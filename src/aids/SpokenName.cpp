#include "aids/SpokenName.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace spokenname
{

bool send(const QAccessibleEvent& event)
{
    // The name Qt's bridge connects to the accessibility bus under.
    const QDBusConnection bus(QStringLiteral("a11y"));
    QAccessibleInterface* object = event.accessibleInterface();
    if (!bus.isConnected() || !object || !object->isValid() || object->role() == QAccessible::Application)
        return false;
    const QString path = QStringLiteral("/org/a11y/atspi/accessible/%1").arg(QAccessible::uniqueId(object));
    QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.a11y.atspi.Event.Object"),
                                                     QStringLiteral("PropertyChange"));
    QDBusArgument application;
    application.beginStructure();
    application << bus.baseService() << QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root"));
    application.endStructure();
    signal << QStringLiteral("accessible-name") << 0 << 0
           << QVariant::fromValue(QDBusVariant(object->text(QAccessible::Name)))
           << QVariant::fromValue(application);
    return bus.send(signal);
}

} // namespace spokenname
