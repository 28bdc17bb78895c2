#pragma once
// The front panel of a KRV rig: the one window of the program.
//
// The rig cannot be read back, so the window is the record of it: the texts of
// Text1 (transmit) and Text3 (receive), in kHz, and the step record below. Every
// operation works on those members directly and reaches the rig only through
// the PortIo and DelayTimer it was given.
//
// Errors: a text that cannot be converted (a Port of letters, an empty display)
// throws numtext::ConversionError from the handler that met it; whatever the
// handler wrote before stays written. Called directly, a handler lets it escape.
// A click or a selection made through a control catches it there and emits
// actionFailed(message) instead; no handler shows anything itself.

#include "Module1.h"
#include "actions/ActionRunner.h"

#include <QEvent>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

class ActionRunner;
class PanelAids;
namespace record { class RecordDoor; }
class QButtonGroup;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;

class Corvane : public QWidget {
    Q_OBJECT

public:
    // Builds the controls, wires them and runs form_load() once. The port and
    // timer must outlive the window. The first runs its actions on a runner of
    // its own; the second on `runner`, which must outlive it (the program
    // hands the same runner to the pacer, whose long waits it serves).
    Corvane(PortIo& port, DelayTimer& timer, QWidget* parent = nullptr);
    Corvane(PortIo& port, DelayTimer& timer, ActionRunner& runner, QWidget* parent = nullptr);
    ~Corvane() override;

    // The panel font's size in logical pixels: every caption, list item and
    // start-up display text fits its control at this size.
    static constexpr int panelFontPixels = 9;

    // ---- Controls (objectName = member name) ----
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5, *Command6, *Command7, *Command8,
        *Command9, *Command10, *Command11, *Command12, *Command13, *Command14, *Command15, *Command16,
        *Command17, *Command18, *Command19, *Command20, *Command21, *Command22, *Command23, *Command24,
        *Command25, *Command26, *Command27, *Command28, *Command29, *Command30, *Command31;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5;
    QLabel *Label1, *Label2, *Label3, *Label4;
    QComboBox *Port, *Encoder; // editable; their texts are read at every use
    QListWidget *speed, *KRV;
    QRadioButton *RIT_ON, *RIT_OFF; // one exclusive group
    // Below the rig's controls: what was heard from the rig, and taking its
    // frequency as the record (hear/HeardLine wires them).
    QLabel* HeardLine;
    QPushButton* TakeRig;

    // ---- Panel state: unset (0, false, empty) until first assigned ----
    int16_t enc_delay = 0;   // delay index of every encoder wait: 3 "Low", 4 "High"
    int16_t fine_steps = 0;  // 50 Hz steps of the last "E"
    int16_t step_hz = 0;     // step in force, Hz: 200 or 50
    int16_t preset_qrp = 0;  // kHz
    int16_t tune_low = 0;    // kHz, lowest entry "E" accepts
    int16_t tune_high = 0;   // kHz, highest entry "E" accepts
    int16_t tr_step_hz = 0;  // transmit/receive step kept while RIT is on, Hz
    int32_t coarse_steps = 0; // 200 Hz steps of the last "E"
    int32_t nsteps = 0;      // pending steps: negative up, positive down
    double preset_w1aw = 0, preset_wwv = 0, preset_chu = 0; // kHz
    double step_khz = 0;     // step in force, kHz: 0.2 or 0.05
    double tr_step_khz = 0;  // kHz, goes with tr_step_hz
    QString tr_step_label;   // Text2 caption of the transmit/receive step
    bool enc_high = false;   // encoder lines last left both high (true) or both low

    // ---- Start-up and model (panel) ----
    void form_load();
    void KRV_Click();

    // ---- Port access, encoder, step engine, step buttons (rigport) ----
    // Port base for offset 0, 1 or 2, from the Port text read now. Throws
    // ConversionError on a text that is not a number or out of 16-bit range.
    int16_t port_base(int offset);
    bool is_std_port();                           // Port text's number is 632, 888 or 956
    void enc_write(int16_t byte);                 // whole byte to the data register
    int16_t enc_read();                           // data register, low byte
    int16_t key_press(bool std_port);             // returns the control register as read (standard port)
    void key_release(bool std_port, int16_t x);   // x: what key_press returned
    void rit_line(bool std_port, bool on);
    void show_enc();                              // Text4: "11B", "00B" or "**"

    void up1a();
    void up1b();
    void dn1a();
    void dn1b();
    void up2();
    void dn2();
    void dosteps();
    void up();
    void dn();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void speed_Click();

    // ---- Keypad, go-to, presets (tuning) ----
    void Command15_Click();
    void Command16_Click();
    void Command17_Click();
    void Command18_Click();
    void Command19_Click();
    void Command20_Click();
    void Command21_Click();
    void Command22_Click();
    void Command23_Click();
    void Command24_Click();
    void Command25_Click();
    void Command26_Click();
    void Command27_Click();
    void Command28_Click();
    void Command29_Click();
    void Command30_Click();
    void Command31_Click();

    // ---- Step size, RIT, annunciate (rigfunc) ----
    void step_tog();
    void Command1_Click();
    void Command2_Click();
    void RIT_ON_Click();
    void RIT_OFF_Click();

    // The clock that paces the live repaint of the displays during a run of
    // steps. Defaults to the steady clock; tests give their own.
    using DisplayClock = std::function<std::chrono::steady_clock::time_point()>;
    void setDisplayClock(DisplayClock clock);

    // ---- One action at a time (see actions/ActionRunner.h) ----
    // An action is a click's work: it runs at the click boundary (an escaping
    // error becomes actionFailed) and ends with actionEnded. While one runs, the
    // program goes on serving between its steps, so another may be asked for
    // meanwhile: it waits its turn and runs after the one running, in order.
    // A control's visible state changes only when its action runs: input that
    // arrives during a run, shortcuts included, is held and delivered in turn.
    //
    // Queues `action` to run from the event loop once no action is running;
    // returns at once.
    void queueAction(std::function<void()> action);
    // Whether an action (or a handler called directly) is running now.
    bool busy() const;
    // Asks the running action to stop after the step or key press under way:
    // the rest of its steps is dropped, a switched step size is switched back.
    // Does nothing when idle.
    void stopRun();
    // Whether the running action has been asked to stop.
    bool stopRequested() const;
    // Serves the program until about returnBy on the steady clock, during an
    // action only; returns at once otherwise.
    void serveUntil(std::chrono::steady_clock::time_point returnBy);
    ActionRunner& runner() { return runner_; }

    // ---- Operator aids: screen reader, keys, wheel, focus ring, zoom, display edits ----
    // Zoom of the whole panel in percent, 100..300 (clamped); starts at 100.
    int zoomPercent() const;
    void setZoomPercent(int percent);
    PanelAids& aids() { return *aids_; }

    // ---- The record's one door for everything beyond the handlers (see RecordDoor.h) ----
    record::RecordDoor& door() { return *door_; }

protected:
    // Operator input goes to the runner first: during a run it is held back
    // until its turn, except Esc and a press on the button held down, which
    // stop the run.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing during a run stops it first; the window closes once it has ended.
    void closeEvent(QCloseEvent* event) override;

signals:
    void actionFailed(const QString& message);
    // After every action run through the click boundary, failed or not.
    void actionEnded();

private:
    using Action = void (Corvane::*)();

    Corvane(PortIo& port, DelayTimer& timer, std::unique_ptr<ActionRunner> own, ActionRunner* shared,
            QWidget* parent);

    void createControls();
    void setTabOrder();
    void setupPanel();
    void setupRigPort();
    void setupTuning();
    void setupRigFunc();
    // The click boundary: runs the action now, or queues it behind the one
    // running; turns an escaping error into actionFailed.
    void runAction(Action action);
    void runAction(const std::function<void()>& action, QPushButton* button = nullptr);
    // runs
    class Busy; // marks a handler's work as an action, called directly or not
    void setupRuns();
    void serveIfDue();
    QPushButton* stopButton() const;
    void showStopButton();
    void endRun();
    ActionRunner::Input inputKind(QObject* watched, QEvent* event) const;
    // A list's cursor key during a run moves the cursor at once and holds the
    // choice of that item (true: the key is taken); the held choice is played
    // by playListChoice.
    bool holdListChoice(QObject* receiver, QEvent* event);
    bool playListChoice(QObject* receiver, QEvent* event);
    void connectClicks(std::initializer_list<std::pair<QPushButton*, Action>> buttons);
    // rigport
    void encoderChange(int16_t byte);    // one line change and its wait
    void halfStep(int16_t first, int16_t rest);
    void runOff(bool upward);            // the loop of up and dn
    void moveFrequency(double delta_khz); // one step on the record
    void runSteps(int16_t count);
    // tuning
    void appendToEntry(QChar c);
    void presetToEntry(double value);
    void runAtStep(int16_t stepHz, int32_t count);
    void toggleStepTo(int16_t stepHz);
    // rigfunc
    void pressKey(int16_t holdDelay);   // key down, hold, key up

    PortIo& port_;
    DelayTimer& timer_;
    QButtonGroup* ritGroup_ = nullptr;
    std::unique_ptr<ActionRunner> ownRunner_;
    ActionRunner& runner_;
    std::vector<std::pair<Action, QPushButton*>> clickButtons_; // which button runs which action
    QPushButton* shownDown_ = nullptr; // the button shown held down during the run

    // ---- Operator aids ----
    friend class PanelAids; // runs its actions through runAction
    PanelAids* aids_ = nullptr;
    friend class record::RecordDoor; // runs the edits through runAction
    record::RecordDoor* door_ = nullptr;
};
