#pragma once
// SIGINT, SIGTERM and SIGHUP close the window, through the event loop, as the
// window manager's close does: a run under way stops after the step or key
// press it is playing, and the program then ends with exit code 0 and the
// lines at rest. The handler only writes a byte to a pipe; everything else
// happens when the event loop reads it. One instance at a time.

#include <QObject>

class QSocketNotifier;
class QWidget;

class SignalClose : public QObject {
public:
    // The window must outlive this object. Throws std::runtime_error when the
    // pipe or the handlers cannot be set up.
    explicit SignalClose(QWidget& window);
    ~SignalClose() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};
