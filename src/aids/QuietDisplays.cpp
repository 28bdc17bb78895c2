#include "aids/QuietDisplays.h"

#include "aids/SpokenName.h"
#include "panel/Corvane.h"

#include <QAccessibleEvent>
#include <QLineEdit>

#include <algorithm>

std::vector<QuietDisplays*> QuietDisplays::live_;
QAccessible::UpdateHandler QuietDisplays::next_ = nullptr;

QuietDisplays::QuietDisplays(Corvane& panel, QList<QWidget*> displays, QObject* parent)
    : QObject(parent), panel_(panel), displays_(std::move(displays))
{
    if (live_.empty())
        next_ = QAccessible::installUpdateHandler(&QuietDisplays::filter);
    live_.push_back(this);
    connect(&panel_, &Corvane::actionEnded, this, &QuietDisplays::ended);
}

QuietDisplays::~QuietDisplays()
{
    live_.erase(std::remove(live_.begin(), live_.end(), this), live_.end());
    if (live_.empty())
        QAccessible::installUpdateHandler(next_);
}

void QuietDisplays::filter(QAccessibleEvent* event)
{
    for (QuietDisplays* quiet : live_)
        if (quiet->holds(event))
            return;
    if (event->type() == QAccessible::NameChanged && spokenname::send(*event))
        return;
    // On to whoever handled updates before: the platform's bridge, as a rule.
    QAccessible::installUpdateHandler(next_);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&QuietDisplays::filter);
}

bool QuietDisplays::holds(QAccessibleEvent* event)
{
    switch (event->type()) {
    case QAccessible::TextInserted:
    case QAccessible::TextRemoved:
    case QAccessible::TextUpdated:
    case QAccessible::TextCaretMoved:
    case QAccessible::TextSelectionChanged:
    case QAccessible::ValueChanged:
        break;
    default:
        return false;
    }
    auto* display = qobject_cast<QLineEdit*>(event->object());
    if (!display || !panel_.busy() || !displays_.contains(display))
        return false;
    if (!changed_.contains(display)) {
        QString before = display->text();
        if (event->type() == QAccessible::TextUpdated)
            before = static_cast<QAccessibleTextUpdateEvent*>(event)->textRemoved();
        changed_.insert(display, before);
    }
    ++heldBack_;
    return true;
}

void QuietDisplays::ended()
{
    const QHash<QWidget*, QString> changed = std::exchange(changed_, {});
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        auto* display = static_cast<QLineEdit*>(it.key());
        if (display->hasFocus() || display->text() == it.value())
            continue;
        send(display, it.value());
    }
}

void QuietDisplays::send(QLineEdit* display, const QString& before)
{
    ++sent_[display];
    QAccessibleTextUpdateEvent update(display, 0, before, display->text());
    QAccessible::updateAccessibility(&update);
}
