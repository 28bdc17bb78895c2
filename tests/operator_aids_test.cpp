// The operator's aids: edits of the displays that count only when whole, the
// wheel, the key map, the focus ring, the announcement and the settings.
#include "app/Settings.h"
#include "panel/PanelAids.h"
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

namespace {

class ShownPanel : public PanelTest {
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
};

const EditRow editRows[] = {
    {"stray key is undone", false, false, false, "7030.05a", "7040", "7040", 1},
    {"off the 50 Hz grid is undone", false, false, false, "7030.07", "7040", "7040", 1},
    {"beyond 25000 kHz is undone", false, false, true, "30000", "7040", "7040", 1},
    {"Rcv freq with RIT off moves both", true, false, false, "7000", "7000", "7000", 0},
    {"leaving the box commits", false, false, true, "7030.05", "7030.05", "7030.05", 0},
    {"RIT on: Rcv freq alone", true, true, false, "7041.3", "7040", "7041.3", 0},
};

class DisplayEdit : public ShownPanel, public ::testing::WithParamInterface<EditRow> {
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

namespace {

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
    {"digits on a button go to the entry",
     [](Corvane& p) -> QWidget* { return p.Command1; },
     "7.5",
     Qt::Key_unknown,
     {},
     "7040",
     "7.5",
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
};

class Keys : public ShownPanel, public ::testing::WithParamInterface<KeyRow> {
};

} // namespace

TEST_P(Keys, RunWhatTheClickRuns)
{
    const KeyRow& row = GetParam();
    QWidget* target = row.focus(*panel);
    target->setFocus();
    QTest::keyClicks(target, QString::fromLatin1(row.typed));
    if (row.key != Qt::Key_unknown)
        QTest::keyClick(target, row.key, row.modifiers);
    EXPECT_EQ(panel->Text1->text(), row.xmit);
    EXPECT_EQ(panel->Text5->text(), row.entry);
    EXPECT_EQ(panel->Text2->text(), row.caption);
}
INSTANTIATE_TEST_SUITE_P(Rows, Keys, ::testing::ValuesIn(keyRows), RowName());

namespace {

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

using Announcement = ShownPanel;

TEST_F(Announcement, TheFocusedControlCarriesTheNewRecordUntilFocusMoves)
{
    panel->Command7->setFocus();
    const QString own = panel->Command7->accessibleDescription();
    panel->Command7->click();
    EXPECT_EQ(panel->Command7->accessibleDescription(), "7045 kHz, 200 Hz steps");
    panel->RIT_ON->click();
    EXPECT_EQ(panel->Command7->accessibleDescription(), "transmit 7045 kHz, receive 7045 kHz, 50 Hz steps");
    panel->Command8->setFocus();
    EXPECT_EQ(panel->Command7->accessibleDescription(), own);
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
        first.setZoomPercent(150);
        first.KRV->setCurrentRow(1);
    }
    Corvane second(port, timer);
    (new app::PanelSettings(second, store()))->restore();
    EXPECT_EQ(second.Port->currentText(), "4264");
    EXPECT_EQ(second.Encoder->currentText(), "2");
    EXPECT_EQ(second.enc_delay, 4);
    EXPECT_EQ(second.zoomPercent(), 150);
    EXPECT_TRUE(second.KRV->selectedItems().isEmpty());
    EXPECT_EQ(second.Text1->text(), "0");
}
