// The elementary port operations, on a standard and on an other port.
#include "support/PanelTest.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using PortAccess = PanelTest;

TEST_F(PortAccess, PortKindIsDecidedByTheNumber)
{
    const std::pair<const char*, bool> rows[] = {
        {"632", true},    {"888", true},     {"956", true},  {"264", false}, {"4264", false},
        {"888.0", true},  {" 888", true},    {"0888", true}, {"888 ", true}, {"8.88e2", true},
        {"888.5", false}, {"887.99", false}, {"abc", false}, {"", false},
    };
    for (const auto& [text, standard] : rows) {
        setPort(text);
        EXPECT_EQ(panel->is_std_port(), standard) << text;
    }
}

TEST_F(PortAccess, RitOffOnAStandardPortWrittenOtherwiseLeavesTheKeyUp)
{
    // Read as an other port, " 888" would write 255 to 890: key pressed and RIT on.
    setPort(" 888");
    port.pinReading(890, 246);
    panel->RIT_OFF_Click();
    EXPECT_THAT(traffic(), ElementsAre("in 890 246", "out 890 244"));
}

TEST_F(PortAccess, BaseAndOffsetsConvertTheTextAtEveryAccess)
{
    setPort("888.0");
    EXPECT_EQ(panel->port_base(0), 888);
    EXPECT_EQ(panel->port_base(2), 890);
    setPort(" 888");
    EXPECT_EQ(panel->port_base(1), 889);
    // Offset 0 rounds the text itself; offsets are added before rounding.
    setPort("888.5");
    EXPECT_EQ(panel->port_base(0), 888);
    EXPECT_EQ(panel->port_base(1), 890);
    EXPECT_EQ(panel->port_base(2), 890);
    setPort("32766");
    EXPECT_EQ(panel->port_base(1), 32767);
    EXPECT_THROW(panel->port_base(2), numtext::ConversionError);
}

TEST_F(PortAccess, StandardPortKeyAndRitAreBitsOfTheControlRegister)
{
    port.pinReading(890, 244);
    const int16_t x = panel->key_press(true);
    panel->key_release(true, x);
    panel->rit_line(true, true);
    panel->rit_line(true, false);
    EXPECT_THAT(traffic(), ElementsAre("in 890 244", "out 890 245", "out 890 244", // key: one read
                                       "in 890 244", "out 890 246", "in 890 244", "out 890 244"));
}

TEST_F(PortAccess, KeyAndRitKeepEachOthersBit)
{
    port.pinReading(890, 247); // key bit and RIT bit both set
    panel->key_release(true, panel->key_press(true));
    panel->rit_line(true, false);
    port.pinReading(890, 244);
    panel->rit_line(true, true);
    EXPECT_THAT(traffic(), ElementsAre("in 890 247", "out 890 247", "out 890 246", "in 890 247",
                                       "out 890 245", "in 890 244", "out 890 246"));
}

TEST_F(PortAccess, OtherPortWritesWholeBytesWithoutReading)
{
    setPort("264");
    panel->key_release(false, panel->key_press(false));
    panel->rit_line(false, true);
    panel->rit_line(false, false);
    panel->enc_write(251);
    EXPECT_THAT(traffic(),
                ElementsAre("out 265 254", "out 265 255", "out 266 254", "out 266 255", "out 264 251"));
}

TEST_F(PortAccess, EncoderBytesGoToTheBaseOfAnyPortKind)
{
    setPort("888.0");
    panel->enc_write(247);
    setPort(" 888");
    panel->enc_write(243);
    EXPECT_THAT(traffic(), ElementsAre("out 888 247", "out 888 243"));
}

TEST_F(PortAccess, ReadoutNamesTheRestStates)
{
    const std::pair<int16_t, const char*> rows[] = {
        {255, "11B"}, {243, "00B"}, {251, "**"}, {0, "**"}, {-1, "11B"}, // only the low byte counts
    };
    for (const auto& [reading, shown] : rows) {
        port.pinReading(888, reading);
        panel->show_enc();
        EXPECT_EQ(panel->Text4->text(), shown) << reading;
    }
}

TEST_F(PortAccess, PortOfLettersFailsBeforeAnyWrite)
{
    setPort("abc");
    EXPECT_THROW(panel->enc_write(255), numtext::ConversionError);
    EXPECT_THROW(panel->enc_read(), numtext::ConversionError);
    EXPECT_THROW(panel->key_press(false), numtext::ConversionError);
    EXPECT_THROW(panel->rit_line(false, true), numtext::ConversionError);
    EXPECT_THROW(panel->show_enc(), numtext::ConversionError);
    EXPECT_THAT(traffic(), IsEmpty());
}
