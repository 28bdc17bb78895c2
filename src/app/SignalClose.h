#pragma once
// SIGINT, SIGTERM and SIGHUP end the program with exit code 0 whenever they
// come. Before the window is handed over nothing has been pressed on the rig,
// so the program ends at once. Afterwards they close the window, through the
// event loop, as the window manager's close does: a run under way stops after
// the step or key press it is playing, and the program then ends with the
// lines at rest. The handler only writes a byte to a pipe, or ends the
// program at once; everything else happens when the event loop reads the pipe.

#include <QObject>

class QSocketNotifier;
class QWidget;

class SignalClose : public QObject {
public:
    // Catches the three signals from now on, unblocking them if the program
    // was started with them blocked (one waiting then is taken at once).
    // Call first thing in main. Throws std::runtime_error when the pipe or
    // the handlers cannot be set up.
    static void catchFromStart();
    // Gives the signals their default effect back, for the program's modes
    // without a window (listing the audio devices, decoding a file).
    static void leaveToDefault();

    // From now on the signals close `window`, which must outlive this
    // object; once it is gone they end the program at once again. One
    // instance at a time. Catches the signals if nothing did yet.
    explicit SignalClose(QWidget& window);
    ~SignalClose() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};
