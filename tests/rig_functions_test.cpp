// Step-size toggle, RIT and annunciate: the key and RIT lines, and the step
// record that follows them.
#include "support/PanelTest.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using StepSize = PanelTest;

TEST_F(StepSize, LongPressOnAStandardPortThenTheRecordGoesTo50)
{
    port.pinReading(890, 244);
    panel->Command2->click();
    EXPECT_THAT(traffic(), ElementsAre("in 890 244", "out 890 245", "wait 2", "out 890 244", "wait 2"));
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->step_khz, 0.05);
    EXPECT_EQ(panel->tr_step_hz, 50);
    EXPECT_EQ(panel->tr_step_khz, 0.05);
    EXPECT_EQ(panel->tr_step_label, " 50 Hz steps T/R");
    EXPECT_EQ(panel->Text2->text(), "  50 Hz steps T/R");
}

TEST_F(StepSize, TwoPressesComeBackTo200)
{
    panel->step_tog();
    panel->step_tog();
    EXPECT_EQ(panel->step_hz, 200);
    EXPECT_EQ(panel->step_khz, 0.2);
    EXPECT_EQ(panel->tr_step_label, "200 Hz steps T/R");
    EXPECT_EQ(panel->Text2->text(), "200 Hz steps T/R");
}

TEST_F(StepSize, OtherPortPressesBasePlusOneWithoutReading)
{
    for (const auto& [text, key] : {std::pair{"264", "265"}, std::pair{"4264", "4265"}}) {
        setPort(text);
        panel->step_tog();
        const std::string k = key;
        EXPECT_THAT(traffic(), ElementsAre("out " + k + " 254", "wait 2", "out " + k + " 255", "wait 2"));
    }
}

TEST_F(StepSize, AnyRecordOtherThan200GoesTo200)
{
    panel->step_hz = 0;
    panel->step_tog();
    EXPECT_EQ(panel->step_hz, 200);
    EXPECT_EQ(panel->Text2->text(), "200 Hz steps T/R");
}

TEST_F(StepSize, PortOfLettersFailsBeforeThePressAndChangesNothing)
{
    setPort("abc");
    EXPECT_THROW(panel->step_tog(), numtext::ConversionError);
    EXPECT_THAT(traffic(), IsEmpty());
    EXPECT_EQ(panel->step_hz, 200);
    EXPECT_EQ(panel->Text2->text(), "200 Hz steps T/R");
}

TEST_F(StepSize, ToggleThenRitOnIgnoresToggleThenRitOffRestoresTheOneBlankLabel)
{
    panel->Command2->click();
    panel->RIT_ON->setChecked(true);
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
    traffic();
    panel->Command2->click();
    EXPECT_THAT(traffic(), IsEmpty());
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
    EXPECT_EQ(panel->tr_step_hz, 50);
    panel->RIT_OFF->setChecked(true);
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps T/R");
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->step_khz, 0.05);
}

using Rit = PanelTest;

TEST_F(Rit, OnAndOffOnAStandardPortChangeOnlyTheRitBit)
{
    port.pinReading(890, 244);
    panel->Text1->setText(QStringLiteral("7040"));
    panel->Text3->setText(QStringLiteral("7040"));
    panel->RIT_ON->setChecked(true);
    EXPECT_THAT(traffic(), ElementsAre("in 890 244", "out 890 246"));
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->step_khz, 0.05);
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
    EXPECT_EQ(panel->Text1->text(), "7040");
    EXPECT_EQ(panel->Text3->text(), "7040");

    port.pinReading(890, 246);
    panel->RIT_OFF->setChecked(true);
    EXPECT_THAT(traffic(), ElementsAre("in 890 246", "out 890 244"));
    EXPECT_EQ(panel->step_hz, 200);
    EXPECT_EQ(panel->step_khz, 0.2);
    EXPECT_EQ(panel->Text2->text(), "200 Hz steps T/R");
    EXPECT_FALSE(panel->RIT_ON->isChecked());
}

TEST_F(Rit, OtherPortWritesWholeBytesToBasePlusTwo)
{
    setPort("4264");
    panel->RIT_ON->setChecked(true);
    panel->RIT_OFF->setChecked(true);
    EXPECT_THAT(traffic(), ElementsAre("out 4266 254", "out 4266 255"));
}

TEST_F(Rit, OffCopiesTheTransmitTextBackUnconverted)
{
    chooseModel(1);
    panel->RIT_ON->setChecked(true);
    panel->Command5->click();
    EXPECT_EQ(panel->Text3->text(), "7040.25");
    EXPECT_EQ(panel->Text1->text(), "7040");
    panel->Text1->setText(QStringLiteral("7040.0"));
    panel->RIT_OFF->setChecked(true);
    EXPECT_EQ(panel->Text3->text(), "7040.0");
}

TEST_F(Rit, SelectingTheSelectedOptionRunsNothing)
{
    panel->RIT_OFF->setChecked(true);
    panel->RIT_OFF->click();
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(Rit, PortOfLettersLeavesWhatEachHandlerDidBeforeItsFirstAccess)
{
    panel->step_tog(); // record at 50
    chooseModel(1);
    panel->RIT_ON->setChecked(true);
    panel->Text3->setText(QStringLiteral("7041"));
    setPort("abc");
    traffic();
    EXPECT_THROW(panel->RIT_OFF_Click(), numtext::ConversionError);
    // The step is restored, the caption and receive display are not.
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->step_khz, 0.05);
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
    EXPECT_EQ(panel->Text3->text(), "7041");
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(Rit, KeyPressAndRitKeepEachOthersLineOnTheSharedRegister)
{
    panel->RIT_ON->setChecked(true); // 890: 244 -> 246
    panel->Command1->click();
    EXPECT_THAT(traffic(), ElementsAre("in 890 244", "out 890 246", "in 890 246", "out 890 247", "wait 1",
                                       "out 890 246"));
}

using Annunciate = PanelTest;

TEST_F(Annunciate, ShortPressWithNoWaitAfterTheRelease)
{
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"888", {"in 890 244", "out 890 245", "wait 1", "out 890 244"}},
        {"4264", {"out 4265 254", "wait 1", "out 4265 255"}},
    };
    for (const auto& [text, expected] : rows) {
        setPort(text);
        panel->Command1->click();
        EXPECT_EQ(traffic(), expected) << text;
    }
    port.pinReading(958, 255);
    setPort("956");
    panel->Command1->click();
    EXPECT_THAT(traffic(), ElementsAre("in 958 255", "out 958 255", "wait 1", "out 958 254"));
}

TEST_F(Annunciate, WithRitOnGivesTheSamePressAndChangesNoRecord)
{
    chooseModel(2);
    panel->RIT_ON->setChecked(true);
    traffic();
    panel->Command1->click();
    EXPECT_THAT(traffic(), ElementsAre("in 890 246", "out 890 247", "wait 1", "out 890 246"));
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->Text1->text(), "10110");
    EXPECT_EQ(panel->Text3->text(), "10110");
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
}

TEST_F(Annunciate, PortOfLettersFailsBeforeAnyWrite)
{
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    setPort("abc");
    panel->Command1->click();
    EXPECT_THAT(traffic(), IsEmpty());
    EXPECT_EQ(failures.size(), 1);
}
