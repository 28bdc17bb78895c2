// The operator's aids: edits of the displays that count only when whole, the
// wheel, the key map, the focus ring, the announcement and the settings.
#include "aids/Announcer.h"
#include "aids/NewsNotice.h"
#include "aids/PanelAids.h"
#include "aids/QuietDisplays.h"
#include "app/Settings.h"
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

class ShownPanel : public PanelTest
{
protected:
    void SetUp() override
    {
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
        chooseModel(1); // KRV-40: 7040
    }
    void wheel(QWidget* w, int angle)
    {
        QWheelEvent event(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angle),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &event);
    }
};

struct EditRow {
    const char* proves;
    bool rcv, ritOn, leave; // edit "Rcv freq" (else "Xmit freq"); commit by leaving (else Enter)
    const char* typed;
    const char *xmit, *rcv_; // the displays afterwards
    int failures;
    const char* committedFirst = nullptr; // an edit made and committed by Enter before
};

const EditRow editRows[] = {
    {"stray key is undone", false, false, false, "7030.05a", "7040", "7040", 1},
    {"off the 50 Hz grid is undone", false, false, false, "7030.07", "7040", "7040", 1},
    {"beyond 25000 kHz is undone", false, false, true, "30000", "7040", "7040", 1},
    {"Rcv freq with RIT off moves both", true, false, false, "7000", "7000", "7000", 0},
    {"leaving the box commits", false, false, true, "7030.05", "7030.05", "7030.05", 0},
    {"RIT on: Rcv freq alone", true, true, false, "7041.3", "7040", "7041.3", 0},
    {"refused after a valid edit: back to that edit", false, false, false, "7o45", "7045", "7045", 1, "7045"},
};

class DisplayEdit : public ShownPanel, public ::testing::WithParamInterface<EditRow>
{
};

} // namespace

TEST_P(DisplayEdit, CountsOnlyWhenWholeAndReachable)
{
    const EditRow& row = GetParam();
    if (row.ritOn)
        panel->RIT_ON->click();
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    QLineEdit* display = row.rcv ? panel->Text3 : panel->Text1;
    display->setFocus();
    if (row.committedFirst) {
        display->selectAll();
        QTest::keyClicks(display, QString::fromLatin1(row.committedFirst));
        QTest::keyClick(display, Qt::Key_Return);
    }
    display->selectAll();
    QTest::keyClicks(display, QString::fromLatin1(row.typed));
    if (row.leave)
        panel->Command1->setFocus();
    else
        QTest::keyClick(display, Qt::Key_Return);
    EXPECT_EQ(panel->Text1->text(), row.xmit);
    EXPECT_EQ(panel->Text3->text(), row.rcv_);
    EXPECT_EQ(failures.size(), row.failures);
}
INSTANTIATE_TEST_SUITE_P(Rows, DisplayEdit, ::testing::ValuesIn(editRows), RowName());

using Readouts = ShownPanel;

TEST_F(Readouts, StepCaptionAndEncoderLinesTakeNoTyping)
{
    for (QLineEdit* readout : {panel->Text2, panel->Text4}) {
        const QString before = readout->text();
        readout->setFocus();
        QTest::keyClicks(readout, QStringLiteral("7"));
        EXPECT_EQ(readout->text(), before) << readout->objectName().toStdString();
    }
}

using Wheel = ShownPanel;

TEST_F(Wheel, TurnsPortAndEncoderOnlyWhenFocused)
{
    panel->Command1->setFocus();
    wheel(panel->Port, -120);
    wheel(panel->Encoder, -120);
    EXPECT_EQ(panel->Port->currentText(), "888");
    EXPECT_EQ(panel->Encoder->currentText(), "1");
    panel->Port->setFocus();
    wheel(panel->Port, -120);
    EXPECT_NE(panel->Port->currentText(), "888");
}

TEST_F(Wheel, TunesOneStepPerNotchOverTheDisplays)
{
    wheel(panel->Text1, 120);
    EXPECT_EQ(panel->Text1->text(), "7040.2");
    wheel(panel->Text3, -60); // half a notch: nothing yet
    EXPECT_EQ(panel->Text1->text(), "7040.2");
    wheel(panel->Text3, -180);
    EXPECT_EQ(panel->Text1->text(), "7039.8");
}

namespace
{

struct KeyRow {
    const char* proves;
    QWidget* (*focus)(Corvane&);
    const char* typed; // typed first, as text
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char *xmit, *entry, *caption;
};

const KeyRow keyRows[] = {
    {"Enter in the entry goes to it",
     [](Corvane& p) -> QWidget* { return p.Text5; },
     "7030",
     Qt::Key_Return,
     {},
     "7030",
     "",
     "200 Hz steps T/R"},
    {"Enter on a button presses it",
     [](Corvane& p) -> QWidget* { return p.Command3; },
     "",
     Qt::Key_Return,
     {},
     "7040.2",
     "",
     "200 Hz steps T/R"},
    {"digits on a button take the focus to the entry where Enter is E",
     [](Corvane& p) -> QWidget* { return p.Command14; }, // dn 5000 steps
     "7050.2",
     Qt::Key_Return,
     {},
     "7050.2",
     "",
     "200 Hz steps T/R"},
    {"a point on a list takes the focus to the entry",
     [](Corvane& p) -> QWidget* { return p.KRV; },
     ".5",
     Qt::Key_unknown,
     {},
     "7040",
     ".5",
     "200 Hz steps T/R"},
    {"PgUp steps up 25",
     [](Corvane& p) -> QWidget* { return p.Command1; },
     "",
     Qt::Key_PageUp,
     {},
     "7045",
     "",
     "200 Hz steps T/R"},
    {"Ctrl Shift PgDn steps down 5000", [](Corvane& p) -> QWidget* { return p.Text1; }, "", Qt::Key_PageDown,
     Qt::ControlModifier | Qt::ShiftModifier, "6040", "", "200 Hz steps T/R"},
    {"Up in the model list chooses the model",
     [](Corvane& p) -> QWidget* { return p.KRV; },
     "",
     Qt::Key_Up,
     {},
     "3560",
     "",
     "200 Hz steps T/R"},
    {"Alt R switches RIT", [](Corvane& p) -> QWidget* { return p.KRV; }, "", Qt::Key_R, Qt::AltModifier,
     "7040", "", " 50 Hz steps R"},
    {"keypad Enter on a button presses it", [](Corvane& p) -> QWidget* { return p.Command3; }, "",
     Qt::Key_Enter, Qt::KeypadModifier, "7040.2", "", "200 Hz steps T/R"},
};

class Keys : public ShownPanel, public ::testing::WithParamInterface<KeyRow>
{
};

} // namespace

TEST_P(Keys, RunWhatTheClickRuns)
{
    const KeyRow& row = GetParam();
    row.focus(*panel)->setFocus();
    // As the operator's keys come: through the window, to whatever has the focus by then.
    QWindow* const window = panel->windowHandle();
    for (const char* c = row.typed; *c; ++c)
        QTest::keyClick(window, *c);
    if (*row.typed) {
        EXPECT_EQ(QApplication::focusWidget(), panel->Text5);
    }
    if (row.key != Qt::Key_unknown)
        QTest::keyClick(window, row.key, row.modifiers);
    EXPECT_EQ(panel->Text1->text(), row.xmit);
    EXPECT_EQ(panel->Text5->text(), row.entry);
    EXPECT_EQ(panel->Text2->text(), row.caption);
}
INSTANTIATE_TEST_SUITE_P(Rows, Keys, ::testing::ValuesIn(keyRows), RowName());

namespace
{

double luminance(QColor c)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(QColor a, QColor b)
{
    const auto [dark, light] = std::minmax({luminance(a), luminance(b)});
    return (light + 0.05) / (dark + 0.05);
}

} // namespace

using Focus = ShownPanel;

TEST_F(Focus, RingIsTwoPixelsOfThreeToOneOnEveryKindOfControl)
{
    const QColor background = panel->palette().color(QPalette::Window);
    for (QWidget* w : std::initializer_list<QWidget*>{panel->Command3, panel->Text1, panel->KRV, panel->Port,
                                                      panel->RIT_ON}) {
        w->setFocus();
        const QImage image = w->grab().toImage();
        for (const QPoint at : {QPoint(0, image.height() / 2), QPoint(1, image.height() / 2),
                                QPoint(image.width() / 2, image.height() - 2)})
            EXPECT_GE(contrast(image.pixelColor(at), background), 3.0)
                << w->objectName().toStdString() << " at " << at.x() << "," << at.y();
    }
}

// WCAG AA for text: the chosen item of either list, focused or not, and
// selected text, as the item views and line edits take them from the palette.
TEST_F(Focus, ChosenItemsAndSelectedTextReadAtFourAndAHalfToOne)
{
    for (QWidget* w : std::initializer_list<QWidget*>{panel->KRV, panel->speed, panel->Text5})
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            EXPECT_GE(contrast(w->palette().color(group, QPalette::HighlightedText),
                               w->palette().color(group, QPalette::Highlight)),
                      4.5)
                << w->objectName().toStdString() << " group " << group;
}

// As a radio group: Tab enters the RIT pair on its checked button and leaves
// it with the next Tab, whichever button had the focus last.
TEST_F(Focus, TabEntersTheRitPairOnItsCheckedButton)
{
    const auto tab = [](Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, mods);
        return QApplication::focusWidget();
    };
    for (QRadioButton* checked : {panel->RIT_OFF, panel->RIT_ON}) {
        checked->click();
        QRadioButton* other = checked == panel->RIT_ON ? panel->RIT_OFF : panel->RIT_ON;
        other->setFocus(Qt::MouseFocusReason); // the mouse gave it the focus, not the check
        panel->Text3->setFocus();
        EXPECT_EQ(tab(), checked) << checked->objectName().toStdString();
        EXPECT_EQ(tab(), panel->KRV);
        EXPECT_EQ(tab(Qt::ShiftModifier), checked);
        EXPECT_EQ(tab(Qt::ShiftModifier), panel->Text3);
    }
}

class Announcement : public ShownPanel
{
protected:
    void SetUp() override
    {
        ShownPanel::SetUp();
        announcer().setClock([this] { return now; });
        now = std::chrono::steady_clock::now() + Announcer::settle;
        announcer().putHeld(); // the start-up's news
    }
    void TearDown() override
    {
        announcer().setClock([] { return std::chrono::steady_clock::now(); });
        ShownPanel::TearDown();
    }
    Announcer& announcer() { return panel->aids().announcer(); }
    // Gives `w` the focus and lets it settle.
    void focus(QWidget* w, Qt::FocusReason reason = Qt::OtherFocusReason)
    {
        w->setFocus(reason);
        now += Announcer::settle;
        announcer().putHeld();
    }
    Announcer::TimePoint now;
};

// The name each control has as it takes the focus: what a reader reads with
// the focus change, which goes out after it.
class Focused : public QObject
{
public:
    Focused()
    {
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (now)
                names << QStringLiteral("%1 as %2").arg(now->objectName(), now->accessibleName());
        });
    }
    std::string said() const { return names.join(u" | ").toStdString(); }
    QStringList names;
};

// What a screen reader speaks: the focused control's name, changed once per action.
TEST_F(Announcement, EachActionPutsItsNewsOnTheFocusedControlUntilFocusMoves)
{
    focus(panel->Command7);
    const QString own = panel->Command7->accessibleName();
    const std::pair<QAbstractButton*, const char*> actions[] = {
        {panel->Command7, "7045 kilohertz"},
        {panel->Command2, "50 hertz steps"},
        {panel->Command2, "200 hertz steps"},
        {panel->RIT_ON, "RIT on, transmit 7045 kilohertz, receive 7045 kilohertz"},
        {panel->Command1, "annunciate sent"},
        {panel->Command1, "annunciate sent "}, // a repeat still changes the name
        {panel->Command15, "Freq entry 7"},
        {panel->Command26, "Freq entry \"7\" dropped: not a frequency from 540 to 25000 kilohertz"},
        {panel->Command28, "Freq entry 7335.8"},
        {panel->RIT_OFF, "RIT off, 7045 kilohertz"},
        {panel->Command26, "7335.8 kilohertz"},
    };
    for (const auto& [button, news] : actions) {
        button->click();
        EXPECT_EQ(panel->Command7->accessibleName(), QString::fromUtf8(news));
    }
    panel->Text5->setText(QStringLiteral("7030")); // typed between two actions: not news
    panel->Command7->click();
    EXPECT_EQ(panel->Command7->accessibleName(), "7340.8 kilohertz");
    Focused focused;
    focus(panel->Command8);
    QCoreApplication::processEvents();
    // Left, it keeps the news: a change now would be read as the news of the
    // control still focused in a reader's eyes. Its own name comes back
    // ahead of the focus, read with it.
    EXPECT_EQ(panel->Command7->accessibleName(), "7340.8 kilohertz");
    focus(panel->Command7);
    EXPECT_EQ(focused.said(), "Command8 as Down 25 steps | Command7 as " + own.toStdString());
}

// A mouse press focuses the button it presses; leaving an edit commits it as
// the next control takes the focus. The news waits until a reader has read
// that control's own name, then goes out in order on the control focused by
// then, each once.
TEST_F(Announcement, NewsForAFreshFocusWaitsUntilItHasSettled)
{
    focus(panel->Text1);
    panel->Text1->selectAll();
    QTest::keyClicks(panel->Text1, "7030");
    Focused focused;
    panel->Command15->setFocus(Qt::MouseFocusReason); // the edit is committed on the way
    panel->Command15->click();                        // "7"
    now += Announcer::settle / 2;
    announcer().putHeld();
    EXPECT_EQ(announcer().held(), 2);
    panel->Command24->setFocus(Qt::MouseFocusReason); // the next key, before the first has settled
    panel->Command24->click();                        // "0"
    EXPECT_EQ(announcer().held(), 3);
    now += Announcer::settle;
    announcer().putHeld();
    EXPECT_EQ(announcer().held(), 0);
    EXPECT_EQ(focused.said(), "Command15 as 7 | Command24 as 0");
    EXPECT_EQ(panel->Command15->accessibleName(), "7");
    EXPECT_EQ(panel->Command24->accessibleName(), "Freq entry 70");
    EXPECT_EQ(panel->Text1->text(), "7030");
}

TEST_F(Announcement, DisplaysSendNothingDuringARunAndOneUpdateEachAfterIt)
{
    const auto handler = QAccessible::installUpdateHandler(nullptr);
    QAccessible::installUpdateHandler(handler);
    // Qt sends a display's text events only while a screen reader listens;
    // here each wait of the run sends one for each display, as each step would.
    const auto textEvent = [handler](QLineEdit* display) {
        QAccessibleTextUpdateEvent update(display, 0, display->text(), display->text());
        handler(&update);
    };
    timer.onWait = [this, &textEvent](int16_t) {
        textEvent(panel->Text1);
        textEvent(panel->Text3);
    };
    const auto* quiet = panel->aids().findChild<QuietDisplays*>();
    ASSERT_TRUE(quiet);
    focus(panel->Text1);
    panel->Command11->click(); // 500 steps
    timer.onWait = nullptr;
    EXPECT_EQ(panel->Text1->text(), "7140");
    EXPECT_GE(quiet->heldBack(), 1000);
    // Once the run has ended the focused display is told once, by its name
    // (a second telling would come with a trailing space), the other by its update.
    EXPECT_EQ(panel->Text1->accessibleName(), "7140 kilohertz");
    EXPECT_EQ(quiet->sentAfterActions(panel->Text1), 0);
    EXPECT_EQ(quiet->sentAfterActions(panel->Text3), 1);
    const int held = quiet->heldBack();
    textEvent(panel->Text1); // the operator's own typing, outside a run
    EXPECT_EQ(quiet->heldBack(), held);
}

// Zoom keys say the zoom; in a list, where a reader ignores the items' name
// changes, a notice carries the news of a model chosen by key, each news a
// notice of its own.
TEST_F(Announcement, ZoomStepsAndAModelChosenByKeyAreSaid)
{
    focus(panel->Command7);
    QTest::keyClick(panel.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(panel->Command7->accessibleName(), "Zoom 125 percent");
    QTest::keyClick(panel.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(panel->Command7->accessibleName(), "Zoom 100 percent");

    focus(panel->KRV);
    const QString listName = panel->KRV->accessibleName();
    QTest::keyClick(panel->KRV, Qt::Key_Down); // KRV-30
    QAccessibleInterface* const item = QAccessible::queryAccessibleInterface(panel->KRV)->child(2);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(QAccessible::Name), "KRV-30");
    EXPECT_EQ(panel->KRV->accessibleName(), listName);
    QTest::keyClick(panel->KRV, Qt::Key_Up); // KRV-40
    std::vector<std::string> shown;
    for (const NewsNotice* notice : panel->findChildren<NewsNotice*>())
        if (notice->isVisible()) {
            EXPECT_EQ(QAccessible::queryAccessibleInterface(const_cast<NewsNotice*>(notice))->role(),
                      QAccessible::Notification);
            shown.push_back(notice->accessibleName().toStdString());
        }
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"10110 kilohertz", "7040 kilohertz"}));
}

namespace
{

struct DropRow {
    const char* proves;
    int model; // the row chosen in the model list, -1 for none
    const char *entry, *news;
};

const DropRow dropRows[] = {
    {"before a model is chosen", -1, "7040", "Freq entry \"7040\" dropped: choose the rig model first"},
    {"off the 50 Hz grid", 1, "7040.03", "Freq entry \"7040.03\" dropped: not on the 50 hertz grid"},
};

class DroppedEntry : public PanelTest, public ::testing::WithParamInterface<DropRow>
{
};

} // namespace

TEST_P(DroppedEntry, IsSaidWithWhyEDroppedIt)
{
    const DropRow& row = GetParam();
    if (row.model >= 0)
        chooseModel(row.model);
    panel->Text5->setText(QString::fromLatin1(row.entry));
    panel->Command26->click();
    EXPECT_EQ(panel->aids().announcement(), QString::fromLatin1(row.news));
}
INSTANTIATE_TEST_SUITE_P(Rows, DroppedEntry, ::testing::ValuesIn(dropRows), RowName());

using Lists = PanelTest;

TEST_F(Lists, KeysTakeTheItemWithTheFocusRingAndAFocusedListShowsItsItems)
{
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    panel->KRV->setFocus();
    // Dark pixels of item text inside the frame, clear of the ring.
    const QRect inside = panel->KRV->rect().adjusted(4, 4, -4, -4);
    const QImage image = panel->KRV->grab(inside).toImage();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 96;
    EXPECT_GT(ink, 20) << "the focused list is drawn empty";

    QTest::keyClick(panel->KRV, Qt::Key_Down);
    EXPECT_EQ(panel->Text1->text(), "3560"); // the first model, KRV-80
    panel->speed->setFocus();
    panel->speed->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(panel->speed, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(panel->enc_delay, 4); // "High"
    panel->speed->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    QTest::keyClick(panel->speed, Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(panel->enc_delay, 4);
    EXPECT_EQ(panel->Text1->text(), "3560");
}

TEST(Settings, RemembersPortEncoderSpeedAndZoomButNeverModelOrFrequency)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("corvane.conf"));
    const auto store = [&file] { return std::make_unique<QSettings>(file, QSettings::IniFormat); };
    TrafficLog log;
    RecordingPort port(log);
    RecordingTimer timer(log);
    {
        Corvane first(port, timer);
        new app::PanelSettings(first, store());
        first.Port->setCurrentText(QStringLiteral("4264"));
        first.Encoder->setCurrentText(QStringLiteral("2"));
        first.speed->setCurrentRow(0); // "High"
        // Asked for on the small screen, which holds less: remembered as asked.
        first.move(QPoint(3286, 0)); // support/screens.json
        testing::internal::CaptureStderr();
        first.setZoomPercent(300);
        testing::internal::GetCapturedStderr();
        EXPECT_LT(first.zoomPercent(), 300);
        first.KRV->setCurrentRow(1);
    }
    Corvane second(port, timer);
    (new app::PanelSettings(second, store()))->restore();
    EXPECT_EQ(second.Port->currentText(), "4264");
    EXPECT_EQ(second.Encoder->currentText(), "2");
    EXPECT_EQ(second.enc_delay, 4);
    EXPECT_EQ(second.zoomPercent(), 300); // on the wide screen
    EXPECT_TRUE(second.KRV->selectedItems().isEmpty());
    EXPECT_EQ(second.Text1->text(), "0");
}

namespace
{

struct StoredRow {
    const char* proves;
    const char* key;
    QVariant value;
    bool (*kept)(const Corvane&); // what the panel shows afterwards
    const char* said;             // on standard error, once; "" for nothing
};

const StoredRow storedRows[] = {
    {"a Port the panel refuses", "panel/port", QStringLiteral("abc"),
     [](const Corvane& p) { return p.Port->currentText() == u"888"; }, "Port \"abc\" not restored"},
    // The port check below answers 888..890 only, as a PC with the one port at 888 does.
    {"a Port whose data register no port answers", "panel/port", QStringLiteral("887"),
     [](const Corvane& p) { return p.Port->currentText() == u"888"; }, "Port \"887\" not restored"},
    {"a Port whose RIT register no port answers", "panel/port", QStringLiteral("889"),
     [](const Corvane& p) { return p.Port->currentText() == u"888"; }, "Port \"889\" not restored"},
    {"a Port whose registers all answer", "panel/port", QStringLiteral("888.0"),
     [](const Corvane& p) { return p.Port->currentText() == u"888.0"; }, ""},
    {"an Encoder the panel refuses", "panel/encoder", QStringLiteral("3"),
     [](const Corvane& p) { return p.Encoder->currentText() == u"1"; }, "Encoder \"3\" not restored"},
    {"a zoom beyond a whole number", "window/zoom", QStringLiteral("-2147483649"),
     [](const Corvane& p) { return p.zoomPercent() == 100; }, ""},
    {"a place partly off today's screen", "window/position", QPoint(3220, 700), // near the 1366x768 corner
     [](const Corvane& p) {
         const QList<QScreen*> screens = QGuiApplication::screens();
         return std::any_of(screens.begin(), screens.end(),
                            [&p](QScreen* s) { return s->availableGeometry().contains(p.frameGeometry()); });
     },
     ""},
};

class Stored : public PanelTest, public ::testing::WithParamInterface<StoredRow>
{
};

} // namespace

TEST_P(Stored, IsRestoredOnlyWhereThePanelAndScreenTakeIt)
{
    const StoredRow& row = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("corvane.conf"));
    QSettings(file, QSettings::IniFormat).setValue(QLatin1String(row.key), row.value);
    testing::internal::CaptureStderr();
    const auto onePortAt888 = [](int16_t address, bool) {
        if (address < 888 || address > 890)
            throw std::runtime_error("no port at " + std::to_string(address));
    };
    (new app::PanelSettings(*panel, std::make_unique<QSettings>(file, QSettings::IniFormat), onePortAt888))
        ->restore();
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(row.kept(*panel));
    if (*row.said)
        EXPECT_EQ(said.count(QLatin1String(row.said)), 1) << said.toStdString();
    else
        EXPECT_FALSE(said.contains(QLatin1String("corvane:"))) << said.toStdString();
}
INSTANTIATE_TEST_SUITE_P(Rows, Stored, ::testing::ValuesIn(storedRows), RowName());

TEST(Settings, AFileThatCannotBeWrittenIsSaidOnce)
{
    TrafficLog log;
    RecordingPort port(log);
    RecordingTimer timer(log);
    Corvane panel(port, timer);
    testing::internal::CaptureStderr();
    {
        new app::PanelSettings(panel, std::make_unique<QSettings>(QStringLiteral("/dev/null/corvane.conf"),
                                                                  QSettings::IniFormat));
        panel.Port->setCurrentText(QStringLiteral("4264"));
        panel.Port->setCurrentText(QStringLiteral("632"));
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(QString::fromStdString(said).count(QStringLiteral("cannot write the settings file")), 1)
        << said;
}
