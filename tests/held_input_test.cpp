// Input that meets a run as an operator's does: through the window, as the
// windowing system delivers it, at the servings inside a key press or a run.
// Each row clicks controls during an action and checks that every click was
// played once, in order, and that the record is still the rig.
#include "support/RigPanel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

// Waits on the fake clock, and lends every wait to serving, as the pacer does.
class ServingDelay : public PreciseDelay
{
public:
    explicit ServingDelay(FakeClock& clock) : PreciseDelay(clock) {}
    void WaitDelay(int16_t index) override
    {
        PreciseDelay::WaitDelay(index);
        if (panel)
            panel->serveUntil(std::chrono::steady_clock::now());
    }
    Corvane* panel = nullptr;
};

struct HeldBench {
    HeldBench() : rig(RigSettings{}, clock.reader()), delay(clock), panel(rig, delay)
    {
        panel.setDisplayClock(clock.reader());
        delay.panel = &panel;
        panel.show();
        (void)QTest::qWaitForWindowExposed(&panel);
        panel.KRV->setCurrentRow(1); // KRV-40, where the rig starts
        for (QAbstractButton* b : panel.findChildren<QAbstractButton*>())
            QObject::connect(b, &QAbstractButton::clicked, &panel,
                             [this, b] { played.push_back(b->objectName().toStdString()); });
        QObject::connect(&panel.runner(), &ActionRunner::aboutToServe, &panel, [this] {
            if (!script.empty()) {
                const auto next = script.front();
                script.erase(script.begin());
                next();
            }
        });
    }

    // A click at the middle of `widget` (or at `at` in it), through the window.
    std::function<void()> clickOn(QWidget* widget, QPoint at = {})
    {
        return [this, widget, at] {
            const QPoint local = at.isNull() ? widget->rect().center() : at;
            QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {}, widget->mapTo(&panel, local));
        };
    }

    std::function<void()> clickItem(QListWidget* list, int row)
    {
        return clickOn(list->viewport(), list->visualItemRect(list->item(row)).center());
    }

    void settle()
    {
        ActionRunner& runner = panel.runner();
        for (int turns = 0; turns < 10000 && (runner.busy() || runner.waiting() > 0); ++turns)
            QCoreApplication::processEvents();
    }

    bool recordIsRig() const
    {
        const RigState& s = rig.state();
        return displayHz(panel.Text1) == s.txHz && displayHz(panel.Text3) == s.rxHz &&
               s.rit == panel.RIT_ON->isChecked() && s.stepHz == panel.tr_step_hz;
    }

    FakeClock clock;
    SimulatedRig rig;
    ServingDelay delay;
    Corvane panel;
    std::vector<std::function<void()>> script; // one per serving
    std::vector<std::string> played;
};

TEST(HeldInput, ClicksDuringAStepSizePressArePlayedOnceInOrder)
{
    HeldBench b;
    Corvane& p = b.panel;
    p.RIT_OFF->setObjectName(QStringLiteral("RIT_OFF"));
    // Tab moves the focus at once, acting on nothing: the operator explores
    // the panel while the rig is busy.
    bool focusMoved = false;
    const auto tabThenRitOn = [&] {
        QWidget* const before = QApplication::focusWidget();
        QTest::keyClick(p.windowHandle(), Qt::Key_Tab);
        focusMoved = before && QApplication::focusWidget() != before;
        b.clickOn(p.RIT_ON)();
    };
    b.script = {tabThenRitOn, b.clickOn(p.Command3), b.clickOn(p.RIT_OFF)};
    b.clickOn(p.Command2)();
    b.settle();
    EXPECT_TRUE(b.script.empty());
    EXPECT_TRUE(focusMoved);
    EXPECT_EQ(b.played, (std::vector<std::string>{"Command2", "RIT_ON", "Command3", "RIT_OFF"}));
    EXPECT_FALSE(p.RIT_ON->isChecked());
    EXPECT_TRUE(b.recordIsRig());
}

TEST(HeldInput, AListKeyMovesTheCursorAtOnceAndChoosesAfterTheRunInTheListItWasPressedIn)
{
    HeldBench b;
    Corvane& p = b.panel;
    int cursorDuringRun = -1, chosenDuringRun = -1;
    QWidget* focusAfterTab = nullptr;
    b.script = {[&] {
        p.KRV->setFocus();
        QTest::keyClick(p.windowHandle(), Qt::Key_Down);
        cursorDuringRun = p.KRV->currentRow();
        chosenDuringRun = p.KRV->row(p.KRV->selectedItems().value(0));
        QTest::keyClick(p.windowHandle(), Qt::Key_Tab);
        focusAfterTab = QApplication::focusWidget();
    }};
    b.clickOn(p.Command2)();
    b.settle();
    EXPECT_TRUE(b.script.empty());
    EXPECT_EQ(cursorDuringRun, 2);
    EXPECT_EQ(chosenDuringRun, 1);
    EXPECT_NE(focusAfterTab, p.KRV);
    // The item the cursor went to is chosen once the run has ended, in the
    // model list where the key was pressed.
    EXPECT_EQ(p.KRV->row(p.KRV->selectedItems().value(0)), 2);
    EXPECT_EQ(p.Text1->text(), QStringLiteral("10110"));
}

TEST(HeldInput, AModelClickThatKeepsTheChoiceDuringAGoToRunsNothing)
{
    HeldBench b;
    Corvane& p = b.panel;
    b.clickOn(p.Command31)(); // W1AW: 7047.5, a run at 50 Hz and one at 200 Hz
    b.script = {b.clickItem(p.KRV, 1), b.clickOn(p.Command14), b.clickItem(p.KRV, 1)};
    b.clickOn(p.Command26)();
    b.settle();
    EXPECT_TRUE(b.script.empty());
    EXPECT_EQ(b.played, (std::vector<std::string>{"Command31", "Command26", "Command14"}));
    EXPECT_EQ(p.Text1->text(), QStringLiteral("6047.5"));
    EXPECT_TRUE(b.recordIsRig());
}

} // namespace
