#pragma once
// An event filter made of a function, for watching other objects' events
// without subclassing them. The function returns true to swallow the event.

#include <QObject>

#include <functional>
#include <utility>

class EventHook : public QObject {
public:
    using Filter = std::function<bool(QObject* watched, QEvent* event)>;
    EventHook(Filter filter, QObject* parent) : QObject(parent), filter_(std::move(filter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return filter_(watched, event); }

private:
    Filter filter_;
};
