#include "support/PanelTest.h"

#include <fstream>
#include <string>

using Startup = PanelTest;

// The list is shared with the command-line test, which sees it in the trace.
// In order: RIT off on the unset record, the three standard ports at rest, the
// readout, the four delays.
TEST_F(Startup, TrafficReadsRitOffThenRestsTheThreePortsThenDefinesTheDelays)
{
    std::ifstream file(CORVANE_STARTUP_TRAFFIC);
    ASSERT_TRUE(file) << CORVANE_STARTUP_TRAFFIC;
    TrafficLog expected;
    for (std::string line; std::getline(file, line);)
        expected.push_back(line);
    EXPECT_EQ(startupTraffic, expected);
}

TEST_F(Startup, LeavesThePanelInItsStartState)
{
    const Corvane& p = *panel;
    EXPECT_EQ(p.Text1->text(), "0");
    EXPECT_EQ(p.Text3->text(), "0");
    EXPECT_EQ(p.Text2->text(), "200 Hz steps T/R");
    EXPECT_EQ(p.Text4->text(), "11B");
    EXPECT_EQ(p.Text5->text(), "");
    EXPECT_EQ(p.Port->currentText(), "888");
    EXPECT_EQ(p.Encoder->currentText(), "1");
    EXPECT_TRUE(p.RIT_OFF->isChecked());
    EXPECT_FALSE(p.RIT_ON->isChecked());
    ASSERT_EQ(p.speed->selectedItems().size(), 1);
    EXPECT_EQ(p.speed->selectedItems().first()->text(), "Low");
    EXPECT_TRUE(p.KRV->selectedItems().isEmpty());

    EXPECT_EQ(p.enc_delay, 3);
    EXPECT_EQ(p.step_hz, 200);
    EXPECT_EQ(p.step_khz, 0.2);
    EXPECT_EQ(p.tr_step_hz, 200);
    EXPECT_EQ(p.tr_step_khz, 0.2);
    EXPECT_EQ(p.tr_step_label, "200 Hz steps T/R");
    EXPECT_TRUE(p.enc_high);
    EXPECT_EQ(p.nsteps, 0);
    EXPECT_EQ(p.tune_low, 0);
    EXPECT_EQ(p.tune_high, 0);
    EXPECT_EQ(p.preset_qrp, 0);
    EXPECT_EQ(p.preset_chu, 0);
}

TEST_F(Startup, ShowingTheWindowRaisesNoActionAgain)
{
    panel->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(traffic().empty());
    EXPECT_EQ(panel->enc_delay, 3);
}

TEST(StartupReadout, ShowsWhatTheDataRegisterReadsBack)
{
    const std::pair<int16_t, const char*> rows[] = {{255, "11B"}, {243, "00B"}, {0, "**"}, {251, "**"}};
    for (const auto& [reading, shown] : rows) {
        TrafficLog log;
        RecordingPort port(log);
        RecordingTimer timer(log);
        port.pinReading(888, reading);
        Corvane panel(port, timer);
        EXPECT_EQ(panel.Text4->text(), shown) << reading;
    }
}

TEST(StartupRuns, StartFromTheSameStateAndNeverTouchOtherPorts)
{
    TrafficLog first, second;
    RecordingTimer timer1(first), timer2(second);
    {
        RecordingPort port(first);
        Corvane panel(port, timer1);
        panel.KRV->setCurrentRow(1);
        panel.Text5->setText(QStringLiteral("7030"));
    }
    RecordingPort port(second);
    Corvane panel(port, timer2);
    EXPECT_EQ(first, second);
    EXPECT_EQ(panel.Text1->text(), "0");
    EXPECT_EQ(panel.Text5->text(), "");
    for (const std::string& line : first)
        for (const char* other : {" 264 ", " 265 ", " 266 ", " 4264 ", " 4265 ", " 4266 "})
            EXPECT_EQ(line.find(other), std::string::npos) << line;
}

TEST(StartupFailure, EscapesTheConstructorInsteadOfBeingLost)
{
    TrafficLog log;
    RecordingPort recording(log);
    RefusingPort port(recording, 632);
    RecordingTimer timer(log);
    EXPECT_THROW(Corvane(port, timer), std::runtime_error);
}
