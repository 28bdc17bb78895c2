// The control table: names, kinds, captions, items, places, tab order, and
// proof by the font's own metrics that every text fits its control.
#include "aids/PanelAids.h"
#include "aids/ScreenFit.h"
#include "aids/Zoom.h"
#include "panel/CaptionButton.h"
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QWindow>

namespace
{

enum class Kind { Button, Text, Label, Option, List, Combo };

struct ControlRow {
    const char* name;
    Kind kind;
    QStringList captionOrItems;
    int left, top, width, height; // twips
    int tab;
};

const std::vector<ControlRow>& controlTable()
{
    static const std::vector<ControlRow> rows = {
        {"speed", Kind::List, {"High", "Low"}, 1200, 1680, 495, 450, 44},
        {"Command31", Kind::Button, {"W1AW"}, 3000, 1560, 255, 855, 43},
        {"Command30", Kind::Button, {"QRP"}, 2280, 2520, 615, 255, 42},
        {"Command29", Kind::Button, {"WWV"}, 2280, 2160, 615, 255, 41},
        {"Command28", Kind::Button, {"CHU"}, 2280, 1800, 615, 255, 40},
        {"Text5", Kind::Text, {}, 3480, 720, 855, 255, 38},
        {"Command27", Kind::Button, {"C"}, 3000, 2520, 255, 255, 37},
        {"Command26", Kind::Button, {"E"}, 4080, 2520, 255, 255, 36},
        {"Command25", Kind::Button, {"."}, 3720, 2520, 255, 255, 35},
        {"Command24", Kind::Button, {"0"}, 3360, 2520, 255, 255, 34},
        {"Command23", Kind::Button, {"3"}, 4080, 2160, 255, 255, 33},
        {"Command22", Kind::Button, {"2"}, 3720, 2160, 255, 255, 32},
        {"Command21", Kind::Button, {"1"}, 3360, 2160, 255, 255, 31},
        {"Command20", Kind::Button, {"6"}, 4080, 1800, 255, 255, 30},
        {"Command19", Kind::Button, {"5"}, 3720, 1800, 255, 255, 29},
        {"Command18", Kind::Button, {"4"}, 3360, 1800, 255, 255, 28},
        {"Command17", Kind::Button, {"9"}, 4080, 1440, 255, 255, 27},
        {"Command16", Kind::Button, {"8"}, 3720, 1440, 255, 255, 26},
        {"Command15", Kind::Button, {"7"}, 3360, 1440, 255, 255, 25},
        {"Text4", Kind::Text, {}, 1800, 3480, 375, 285, 24},
        {"KRV", Kind::List, {"KRV-80", "KRV-40", "KRV-30", "KRV-20"}, 120, 1320, 735, 840, 23},
        {"RIT_OFF", Kind::Option, {"RIT OFF"}, 2040, 1560, 975, 255, 22},
        {"RIT_ON", Kind::Option, {"RIT ON"}, 2040, 1320, 975, 255, 21},
        {"Text3", Kind::Text, {}, 2160, 720, 855, 285, 18},
        {"Text2", Kind::Text, {}, 120, 3480, 1455, 285, 17},
        {"Command1", Kind::Button, {"annun-ciate"}, 120, 720, 615, 495, 16},
        {"Command2", Kind::Button, {"Step size"}, 120, 2280, 615, 495, 15},
        {"Command3", Kind::Button, {"up 1 step"}, 120, 120, 615, 495, 14},
        {"Command4", Kind::Button, {"dn 1 step"}, 120, 2880, 615, 495, 13},
        {"Command5", Kind::Button, {"up 5 steps"}, 840, 120, 615, 495, 12},
        {"Command6", Kind::Button, {"dn 5 steps"}, 840, 2880, 615, 495, 11},
        {"Command7", Kind::Button, {"up 25 steps"}, 1560, 120, 615, 495, 10},
        {"Command8", Kind::Button, {"dn 25 steps"}, 1560, 2880, 615, 495, 9},
        {"Command9", Kind::Button, {"up 125 steps"}, 2280, 120, 615, 495, 8},
        {"Command10", Kind::Button, {"dn 125 steps"}, 2280, 2880, 615, 495, 7},
        {"Command11", Kind::Button, {"up 500 steps"}, 3000, 120, 615, 495, 6},
        {"Command12", Kind::Button, {"dn 500 steps  "}, 3000, 2880, 615, 495, 5},
        {"Command13", Kind::Button, {"up 5k steps"}, 3720, 120, 615, 495, 4},
        {"Command14", Kind::Button, {"dn 5k steps"}, 3720, 2880, 615, 495, 3},
        {"Text1", Kind::Text, {}, 1080, 720, 855, 285, 2},
        {"Port", Kind::Combo, {"264", "632", "888", "956", "4264"}, 3600, 3480, 735, 315, 1},
        {"Encoder", Kind::Combo, {"1", "2"}, 2520, 3480, 735, 315, 0},
        {"Label4", Kind::Label, {"Step speed"}, 1200, 2280, 495, 495, 45},
        {"Label3", Kind::Label, {"Freq entry"}, 3480, 1080, 735, 255, 39},
        {"Label2", Kind::Label, {"Rcv freq"}, 2280, 1080, 735, 255, 20},
        {"Label1", Kind::Label, {"Xmit freq"}, 1200, 1080, 735, 255, 19},
    };
    return rows;
}

QStringList itemsOf(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

QStringList itemsOf(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Whether `text` fits a line edit's text area without clipping.
bool fitsLineEdit(const QLineEdit* edit, const QString& text)
{
    const int frame =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    const QRect area =
        edit->rect().adjusted(frame + 2, frame + 1, -frame - 2, -frame - 1); // QLineEdit's margins
    const QFontMetrics fm(edit->font());
    return fm.horizontalAdvance(text) <= area.width() && fm.height() <= area.height();
}

} // namespace

class Layout : public PanelTest
{
protected:
    void expectEveryTextFits();
};

TEST_F(Layout, WindowHasItsCaptionAndFixedClientArea)
{
    EXPECT_EQ(panel->windowTitle(), "Corvane rel. 4.02 by threnlo");
    EXPECT_EQ(panel->size(), QSize(297, 288)); // the rig's panel, and the heard line below it
    EXPECT_EQ(panel->minimumSize(), panel->maximumSize());
}

TEST_F(Layout, EveryControlHasItsNameKindCaptionAndPlace)
{
    // With HeardLine, TakeRig and the screen reader's notices
    EXPECT_EQ(panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 49);
    for (const ControlRow& row : controlTable()) {
        SCOPED_TRACE(row.name);
        auto* w = panel->findChild<QWidget*>(QLatin1String(row.name), Qt::FindDirectChildrenOnly);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15));
        switch (row.kind) {
        case Kind::Button:
            ASSERT_NE(qobject_cast<QPushButton*>(w), nullptr);
            EXPECT_EQ(static_cast<QPushButton*>(w)->text(), row.captionOrItems.first());
            break;
        case Kind::Text:
            EXPECT_NE(qobject_cast<QLineEdit*>(w), nullptr);
            break;
        case Kind::Label:
            ASSERT_NE(qobject_cast<QLabel*>(w), nullptr);
            EXPECT_EQ(static_cast<QLabel*>(w)->text(), row.captionOrItems.first());
            break;
        case Kind::Option:
            ASSERT_NE(qobject_cast<QRadioButton*>(w), nullptr);
            EXPECT_EQ(static_cast<QRadioButton*>(w)->text(), row.captionOrItems.first());
            break;
        case Kind::List:
            ASSERT_NE(qobject_cast<QListWidget*>(w), nullptr);
            EXPECT_EQ(itemsOf(static_cast<QListWidget*>(w)), row.captionOrItems);
            break;
        case Kind::Combo:
            ASSERT_NE(qobject_cast<QComboBox*>(w), nullptr);
            EXPECT_TRUE(static_cast<QComboBox*>(w)->isEditable());
            EXPECT_EQ(itemsOf(static_cast<QComboBox*>(w)), row.captionOrItems);
            break;
        }
    }
    // The members are the very controls the table names.
    EXPECT_EQ(panel->Command12->objectName(), "Command12");
    EXPECT_EQ(panel->RIT_ON->objectName(), "RIT_ON");
}

TEST_F(Layout, TabOrderFollowsTheTableAndSkipsLabels)
{
    std::vector<const ControlRow*> focusable;
    for (const ControlRow& row : controlTable())
        if (row.kind != Kind::Label)
            focusable.push_back(&row);
    std::sort(focusable.begin(), focusable.end(), [](auto* a, auto* b) { return a->tab < b->tab; });

    QStringList expected, actual;
    for (const ControlRow* row : focusable)
        expected << QLatin1String(row->name);
    expected << QStringLiteral("TakeRig"); // below the rig's controls, after them
    QWidget* w = panel->Encoder;
    do {
        if (w->parentWidget() == panel.get() && !qobject_cast<QLabel*>(w) && w->focusPolicy() != Qt::NoFocus)
            actual << w->objectName();
        w = w->nextInFocusChain();
    } while (w != panel->Encoder && actual.size() <= expected.size());
    EXPECT_EQ(actual, expected);
    for (QLabel* label : panel->findChildren<QLabel*>())
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
}

TEST_F(Layout, FocusStartsOnEncoderAndTabMovesThroughTheTable)
{
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    EXPECT_TRUE(panel->Encoder->hasFocus());
    const QWidget* next[] = {panel->Port, panel->Text1, panel->Command14, panel->Command13};
    for (const QWidget* w : next) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(w->hasFocus()) << w->objectName().toStdString();
    }
}

// At every zoom the keys reach, from 100 % (the table's own sizes) to 300 %.
TEST_F(Layout, EveryCaptionListItemAndDisplayTextFitsItsControlAtEveryZoom)
{
    panel->show(); // lists lay their viewports out when shown
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    for (int zoom = 100; zoom <= 300; zoom += 25) {
        SCOPED_TRACE(zoom);
        ASSERT_EQ(panel->zoomPercent(), zoom);
        EXPECT_EQ(panel->size(), QSize(297 * zoom / 100, 288 * zoom / 100));
        EXPECT_EQ(panel->Command12->geometry(),
                  QRect(200 * zoom / 100, 192 * zoom / 100, 41 * zoom / 100, 33 * zoom / 100));
        expectEveryTextFits();
        QTest::keyClick(panel.get(), Qt::Key_Plus, Qt::ControlModifier);
    }
    EXPECT_EQ(panel->zoomPercent(), 300);
    QTest::keyClick(panel.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(panel->zoomPercent(), 275);
    QTest::keyClick(panel.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(panel->size(), QSize(297, 288)); // the rig's panel, and the heard line below it
}

void Layout::expectEveryTextFits()
{
    for (auto* button : panel->findChildren<CaptionButton*>()) {
        const QRect room = button->captionRect();
        const CaptionButton::Plan plan = CaptionButton::plan(button->font(), button->text(), room.size());
        const QSize along = plan.turned ? room.size().transposed() : room.size();
        EXPECT_TRUE(plan.wordsWhole) << button->objectName().toStdString();
        EXPECT_LE(plan.size.width(), along.width()) << button->objectName().toStdString();
        EXPECT_LE(plan.size.height(), along.height()) << button->objectName().toStdString();
    }
    for (auto* label : panel->findChildren<QLabel*>()) {
        const QRect r =
            QFontMetrics(label->font()).boundingRect(label->contentsRect(), Qt::TextWordWrap, label->text());
        EXPECT_TRUE(label->contentsRect().contains(r)) << label->objectName().toStdString();
    }
    for (auto* option : {panel->RIT_ON, panel->RIT_OFF}) {
        QStyleOptionButton opt;
        opt.initFrom(option);
        opt.text = option->text();
        const QRect text = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, option);
        EXPECT_LE(QFontMetrics(option->font()).horizontalAdvance(option->text()), text.width());
        EXPECT_LE(QFontMetrics(option->font()).height(), option->height());
    }
    for (auto* list : {panel->speed, panel->KRV}) {
        const QRect viewport = list->viewport()->rect();
        for (int i = 0; i < list->count(); ++i) {
            const QRect item = list->visualItemRect(list->item(i));
            EXPECT_TRUE(viewport.contains(item)) << list->item(i)->text().toStdString();
            EXPECT_LE(QFontMetrics(list->font()).horizontalAdvance(list->item(i)->text()), viewport.width());
        }
    }
    const std::pair<QLineEdit*, QStringList> displays[] = {
        {panel->Text1, {"0", "14999.95", "10110.05"}},
        {panel->Text3, {"0", "14999.95", "10110.05"}},
        {panel->Text2, {"200 Hz steps T/R", "  50 Hz steps T/R", " 50 Hz steps T/R", " 50 Hz steps R"}},
        {panel->Text4, {"11B", "00B", "**"}},
        {panel->Text5, {" 14669.2", "7030.05"}},
        {panel->Port->lineEdit(), {"888", "4264"}},
        {panel->Encoder->lineEdit(), {"1", "2"}},
    };
    for (const auto& [edit, texts] : displays)
        for (const QString& text : texts)
            EXPECT_TRUE(fitsLineEdit(edit, text))
                << edit->objectName().toStdString() << " " << text.toStdString();
}

// The test platform has three screens side by side (support/screens.json):
// 1920x1080, 1366x768 and 800x600, the last too small for the larger zooms.
TEST_F(Layout, TheWindowFitsTheScreenItIsOnAtEveryZoom)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 3) << "the test platform's screens are not configured";
    for (QScreen* screen : screens) {
        SCOPED_TRACE(screen->name().toStdString());
        const QRect room = screen->availableGeometry();
        panel->move(room.bottomRight() - QPoint(100, 100)); // partly off the screen's edge
        panel->show();
        panel->setZoomPercent(100);
        const QSize base = panel->size();
        for (int zoom = 100; zoom <= 300; zoom += 25) {
            SCOPED_TRACE(zoom);
            const QSize frame = base * zoom / 100 + (panel->frameGeometry().size() - panel->size());
            const bool holds = frame.width() <= room.width() && frame.height() <= room.height();
            testing::internal::CaptureStderr();
            panel->setZoomPercent(zoom);
            const std::string said = testing::internal::GetCapturedStderr();
            EXPECT_TRUE(room.contains(panel->frameGeometry()));
            EXPECT_EQ(panel->zoomPercent() == zoom, holds);
            EXPECT_EQ(said.find("the most this screen holds") != std::string::npos, !holds) << said;
        }
    }
}

// The circles and the drop-down arrows as drawn, not only the text, grow with the zoom.
TEST_F(Layout, RitCirclesAndDropDownArrowsGrowWithTheZoom)
{
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    const int circle = QApplication::style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth);
    for (int zoom : {100, 250}) {
        SCOPED_TRACE(zoom);
        panel->setZoomPercent(zoom);
        QStyleOptionButton option;
        option.initFrom(panel->RIT_ON);
        const QStyle* style = panel->RIT_ON->style();
        EXPECT_EQ(style->subElementRect(QStyle::SE_RadioButtonIndicator, &option, panel->RIT_ON).width(),
                  circle * zoom / 100);
        QStyleOptionComboBox combo;
        combo.initFrom(panel->Port);
        combo.editable = true;
        const QRect button = panel->Port->style()->subControlRect(QStyle::CC_ComboBox, &combo,
                                                                  QStyle::SC_ComboBoxArrow, panel->Port);
        const QImage image = panel->Port->grab().toImage();
        int left = image.width(), right = -1;
        for (int y = button.top(); y <= button.bottom(); ++y)
            for (int x = std::max(0, button.left()); x <= std::min(button.right(), image.width() - 1); ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        EXPECT_GE(right - left + 1, 14 * zoom / 100 - 2) << "the arrow's width";
    }
}

namespace
{

struct FitRow {
    const char* proves;
    QSize room, frame;
    int zoom;
};

const FitRow fitRows[] = {
    {"all of 1280x720 with no frame", {1280, 720}, {0, 0}, 250},
    {"a title bar on 1280x720", {1280, 720}, {8, 40}, 225},
    {"a desktop panel too", {1280, 680}, {8, 40}, 200},
    {"the frame's width counts", {600, 1000}, {8, 40}, 175},
    {"800x600 and the estimated frame", {800, 600}, screenfit::estimatedFrame, 175},
    {"too small for any zoom", {300, 300}, {8, 40}, 100},
};

class Fit : public ::testing::TestWithParam<FitRow>
{
};

} // namespace

TEST_P(Fit, TheLargestZoomWhoseWindowAndFrameTheRoomHolds)
{
    const FitRow& row = GetParam();
    EXPECT_EQ(screenfit::largestZoom(QSize(297, 288), row.frame, row.room, Zoom::min, Zoom::max, Zoom::step),
              row.zoom);
}
INSTANTIATE_TEST_SUITE_P(Rows, Fit, ::testing::ValuesIn(fitRows), RowName());

// Asked for before the window is up, the zoom counts an estimated frame; once
// up, the real one; and the zoom asked for comes back on a larger screen.
TEST_F(Layout, ASmallScreenLimitsTheZoomButKeepsTheOneAskedFor)
{
    const auto screen = [](const char* name) {
        const QList<QScreen*> screens = QGuiApplication::screens();
        const auto it = std::find_if(screens.begin(), screens.end(),
                                     [name](QScreen* s) { return s->name() == QLatin1String(name); });
        return it == screens.end() ? nullptr : *it;
    };
    QScreen* const wide = screen("wide");
    QScreen* const small = screen("small");
    ASSERT_TRUE(wide && small) << "the test platform's screens are not configured";
    panel->move(small->availableGeometry().topLeft());
    testing::internal::CaptureStderr();
    panel->setZoomPercent(300);
    EXPECT_EQ(panel->zoomPercent(), 175);
    EXPECT_EQ(panel->aids().zoom().asked(), 300);
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    QCoreApplication::processEvents();
    const QSize frame = panel->frameGeometry().size() - panel->size();
    ASSERT_FALSE(frame.isNull()) << "the test platform draws no frame";
    const QSize room = small->availableGeometry().size();
    EXPECT_EQ(panel->zoomPercent(),
              screenfit::largestZoom(QSize(297, 288), frame, room, Zoom::min, Zoom::max, Zoom::step));
    EXPECT_TRUE(small->availableGeometry().contains(panel->frameGeometry()));
    panel->move(wide->availableGeometry().topLeft());
    panel->windowHandle()->setScreen(wide);
    QCoreApplication::processEvents();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(panel->zoomPercent(), 300);
    EXPECT_EQ(panel->aids().zoom().asked(), 300);
}
