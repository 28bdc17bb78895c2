#include "aids/NewsNotice.h"

#include <QAccessibleWidget>

namespace
{

QAccessibleInterface* noticeAccessible(const QString& className, QObject* object)
{
    if (className != QLatin1String("NewsNotice") || !object || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
}

} // namespace

NewsNotice::NewsNotice(QWidget* parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(noticeAccessible);
        return true;
    }();
    (void)installed;
    setGeometry(0, 0, 1, 1);
    hide();
}

void NewsNotice::tell(const QString& text)
{
    // A reader speaks a notice as it starts showing.
    hide();
    setAccessibleName(text);
    show();
}
