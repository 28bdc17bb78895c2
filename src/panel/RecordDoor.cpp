#include "panel/RecordDoor.h"

#include "aids/Announcer.h"
#include "aids/PanelAids.h"
#include "panel/Corvane.h"
#include "rules/GoTo.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

#include <chrono>
#include <cmath>

namespace record
{

namespace
{

// A display's text back to what the program last wrote: the widget's own
// history holds the operator's typing since then, and only that, because
// every write of the program starts it afresh.
void undoTyping(QLineEdit* display)
{
    while (display->isUndoAvailable())
        display->undo();
    display->setModified(false);
}

std::optional<int64_t> toHz(const QString& text)
{
    try {
        const double hz = std::round(numtext::toDouble(text, u"") * 1000);
        if (std::abs(hz) < 0x1p62)
            return static_cast<int64_t>(hz);
    } catch (const numtext::ConversionError&) {
    }
    return std::nullopt;
}

struct NamedButton {
    QStringView name;
    QPushButton* Corvane::*button;
};

constexpr NamedButton namedButtons[] = {
    {u"up1", &Corvane::Command3},    {u"dn1", &Corvane::Command4},    {u"up5", &Corvane::Command5},
    {u"dn5", &Corvane::Command6},    {u"up25", &Corvane::Command7},   {u"dn25", &Corvane::Command8},
    {u"up125", &Corvane::Command9},  {u"dn125", &Corvane::Command10}, {u"up500", &Corvane::Command11},
    {u"dn500", &Corvane::Command12}, {u"up5k", &Corvane::Command13},  {u"dn5k", &Corvane::Command14},
    {u"step", &Corvane::Command2},   {u"annun", &Corvane::Command1},  {u"7", &Corvane::Command15},
    {u"8", &Corvane::Command16},     {u"9", &Corvane::Command17},     {u"4", &Corvane::Command18},
    {u"5", &Corvane::Command19},     {u"6", &Corvane::Command20},     {u"1", &Corvane::Command21},
    {u"2", &Corvane::Command22},     {u"3", &Corvane::Command23},     {u"0", &Corvane::Command24},
    {u".", &Corvane::Command25},     {u"E", &Corvane::Command26},     {u"C", &Corvane::Command27},
    {u"CHU", &Corvane::Command28},   {u"WWV", &Corvane::Command29},   {u"QRP", &Corvane::Command30},
    {u"W1AW", &Corvane::Command31},  {u"take", &Corvane::TakeRig},
};
constexpr QStringView ritOn = u"rit-on", ritOff = u"rit-off", low = u"low", high = u"high";

// A press waiting for its turn is looked at this often.
constexpr std::chrono::milliseconds pressPoll{10};

} // namespace

RecordDoor::RecordDoor(Corvane& panel) : QObject(&panel), panel_(panel), pressTimer_(new QTimer(this))
{
    pressTimer_->setInterval(pressPoll);
    connect(pressTimer_, &QTimer::timeout, this, &RecordDoor::playPresses);
}

bool RecordDoor::knows(const QString& name)
{
    for (const NamedButton& b : namedButtons)
        if (b.name == name)
            return true;
    return name == ritOn || name == ritOff || name == low || name == high;
}

bool RecordDoor::press(const QString& name)
{
    if (!knows(name))
        return false;
    presses_.push_back(name);
    pressTimer_->start();
    return true;
}

void RecordDoor::playPresses()
{
    // Played only when the runner is idle and holds nothing, so that a press
    // neither overtakes what the operator did first nor changes a control's
    // visible state while a run plays; a click then runs at once, in here.
    while (!presses_.empty() && !panel_.runner_.busy() && panel_.runner_.waiting() == 0) {
        const QString name = presses_.front();
        presses_.pop_front();
        if (name == ritOn || name == ritOff) {
            (name == ritOn ? panel_.RIT_ON : panel_.RIT_OFF)->click();
        } else if (name == low || name == high) {
            const QList<QListWidgetItem*> items = panel_.speed->findItems(
                name == low ? QStringLiteral("Low") : QStringLiteral("High"), Qt::MatchExactly);
            if (!items.isEmpty())
                panel_.speed->setCurrentItem(items.first());
        } else {
            for (const NamedButton& b : namedButtons)
                if (b.name == name)
                    (panel_.*b.button)->click();
        }
    }
    if (presses_.empty())
        pressTimer_->stop();
}

void RecordDoor::stop()
{
    panel_.stopRun();
}

QString RecordDoor::heldName() const
{
    if (!panel_.runner_.running())
        return QString();
    const QPushButton* const shown = panel_.stopButton();
    for (const NamedButton& b : namedButtons)
        if (panel_.*b.button == shown)
            return b.name.toString();
    return QString();
}

PanelView RecordDoor::view() const
{
    PanelView v;
    v.shown = shown();
    v.step = panel_.Text2->text();
    const QList<QListWidgetItem*> speed = panel_.speed->selectedItems();
    if (!speed.isEmpty())
        v.speed = speed.first()->text();
    const QList<QListWidgetItem*> model = panel_.KRV->selectedItems();
    if (!model.isEmpty() && panel_.tune_high != 0)
        v.model = model.first()->text();
    v.heard = panel_.HeardLine->text();
    v.held = heldName();
    v.canTake = panel_.TakeRig->isEnabled();
    v.running = panel_.runner_.running();
    return v;
}

void RecordDoor::onNews(QObject* context, std::function<void(const QString& news)> heard)
{
    connect(&panel_.aids().announcer(), &Announcer::said, context, heard);
    connect(&panel_, &Corvane::actionFailed, context, heard);
}

QString RecordDoor::displayName(Display display)
{
    return (display == Display::transmit ? names::xmitFreq : names::rcvFreq).toString();
}

QLineEdit* RecordDoor::widget(Display display) const
{
    return display == Display::transmit ? panel_.Text1 : panel_.Text3;
}

QString RecordDoor::committedText(Display display) const
{
    QLineEdit* const shown = widget(display);
    if (!shown->isModified())
        return shown->text();
    // While RIT is off the other display holds the same record, and only one
    // display can be under edit at a time: leaving it commits the edit.
    QLineEdit* const other = widget(display == Display::transmit ? Display::receive : Display::transmit);
    if (!panel_.RIT_ON->isChecked() && !other->isModified())
        return other->text();
    // Read through the display's own history, then put the typing back.
    const QSignalBlocker quiet(shown);
    const QString typed = shown->text();
    const int cursor = shown->cursorPosition();
    undoTyping(shown);
    const QString committed = shown->text();
    while (shown->isRedoAvailable())
        shown->redo();
    shown->setModified(true);
    shown->setCursorPosition(cursor);
    Q_ASSERT(shown->text() == typed);
    return committed;
}

Shown RecordDoor::shown() const
{
    return {committedText(Display::transmit),
            committedText(Display::receive),
            panel_.Text5->text(),
            panel_.Encoder->currentText(),
            panel_.step_hz,
            panel_.RIT_ON->isChecked(),
            panel_.tune_low,
            panel_.tune_high};
}

std::optional<Record> RecordDoor::record() const
{
    const Shown now = shown();
    const std::optional<int64_t> transmit = toHz(now.transmit);
    const std::optional<int64_t> receive = toHz(now.receive);
    if (!transmit || !receive)
        return std::nullopt;
    Record r;
    r.transmitHz = *transmit;
    r.receiveHz = *receive;
    r.stepHz = now.stepHz;
    r.rit = now.rit;
    const QList<QListWidgetItem*> model = panel_.KRV->selectedItems();
    if (!model.isEmpty() && now.highKhz != 0)
        r.model = model.first()->text();
    r.lowKhz = now.lowKhz;
    r.highKhz = now.highKhz;
    return r;
}

bool RecordDoor::chooseModel(const QString& name)
{
    const QList<QListWidgetItem*> found = panel_.KRV->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    panel_.KRV->setCurrentItem(found.first());
    return true;
}

double RecordDoor::workingKhz() const
{
    const Display working = panel_.RIT_ON->isChecked() ? Display::receive : Display::transmit;
    return numtext::toDouble(committedText(working), displayName(working));
}

std::optional<QString> RecordDoor::refusal(double khz) const
{
    if (panel_.tune_low == 0 && panel_.tune_high == 0)
        return QStringLiteral("choose the rig model first");
    if (!rules::tunable(khz, panel_.tune_low, panel_.tune_high))
        return QStringLiteral("not a frequency this rig tunes to (%1..%2 kHz, on the 50 Hz grid)")
            .arg(std::max<double>(panel_.tune_low, rules::entryLowKhz))
            .arg(std::min<double>(panel_.tune_high, rules::entryHighKhz));
    return std::nullopt;
}

std::optional<double> RecordDoor::accepted(const QString& typed) const
{
    try {
        return rules::acceptedEntry(typed, panel_.tune_low, panel_.tune_high, {});
    } catch (const numtext::ConversionError&) {
        return std::nullopt;
    }
}

std::optional<QString> RecordDoor::refusal(const QString& typed) const
{
    if (accepted(typed))
        return std::nullopt;
    // Refused by "E"'s reading: say why as for a number, or that it is none.
    const std::optional<QString> why = refusal(numtext::leadingNumber(typed));
    return why ? why : refusal(-1.0);
}

void RecordDoor::commitEdit(Display display)
{
    QLineEdit* const shown = widget(display);
    if (!shown->isModified())
        return;
    panel_.runAction([this, display, shown] {
        // An action that ran before the edit's turn may have written the
        // display since: then the edit is gone, and the record stands.
        if (!shown->isModified())
            return;
        const QString typed = shown->text();
        const std::optional<double> khz = accepted(typed);
        if (!khz) {
            undoTyping(shown);
            throw numtext::ConversionError(
                QStringLiteral("%1 \"%2\": %3; the display is back at %4")
                    .arg(displayName(display), typed, *refusal(typed), shown->text())
                    .toStdString());
        }
        const QString text = numtext::toText(*khz);
        if (panel_.RIT_ON->isChecked())
            shown->setText(text);
        else
            setRecord(text, text);
    });
}

void RecordDoor::take(int64_t rigHz)
{
    const std::optional<Record> now = record();
    if (!now)
        throw numtext::ConversionError(QStringLiteral("Take: the record \"%1\" is no frequency")
                                           .arg(committedText(Display::transmit))
                                           .toStdString());
    const double transmit = static_cast<double>(rigHz) / 1000.0;
    const double receive =
        now->rit ? static_cast<double>(now->receiveHz + rigHz - now->transmitHz) / 1000.0 : transmit;
    for (const double khz : {transmit, receive})
        if (const std::optional<QString> why = refusal(khz))
            throw numtext::ConversionError(
                QStringLiteral("Take %1 kHz: %2; the record stays at %3")
                    .arg(numtext::toText(khz), *why,
                         numtext::toText(static_cast<double>(now->transmitHz) / 1000.0))
                    .toStdString());
    setRecord(numtext::toText(transmit), numtext::toText(receive));
}

void RecordDoor::setRecord(const QString& transmit, const QString& receive)
{
    panel_.Text1->setText(transmit);
    panel_.Text3->setText(receive);
}

void RecordDoor::goTo(double khz)
{
    // The operator's half-typed entry is theirs, not the move's.
    struct EntryKeeper {
        QLineEdit* entry;
        QString saved;
        ~EntryKeeper() { entry->setText(saved); }
    } const keeper{panel_.Text5, panel_.Text5->text()};
    panel_.Text5->setText(numtext::toText(khz));
    enter();
}

void RecordDoor::enter()
{
    // An entry "E" drops or fails on moves nothing: nothing to check after it.
    const bool moves = accepted(panel_.Text5->text()).has_value();
    panel_.Command26_Click();
    if (moves && follow_ && !panel_.stopRequested())
        follow_(Moved::goTo);
}

void RecordDoor::modelChosen()
{
    if (follow_ && !panel_.stopRequested())
        follow_(Moved::model);
}

void RecordDoor::followMoves(std::function<void(Moved moved)> follow)
{
    follow_ = std::move(follow);
}

void RecordDoor::ask(std::function<void()> action)
{
    panel_.queueAction(std::move(action));
}

} // namespace record
