// The program's command line: what each option gives, its defaults, and what
// is refused with which message.
#include "app/CommandLine.h"
#include "support/RowName.h"

#include <QString>

#include <gtest/gtest.h>

namespace
{

// The options as one line, so that a row states all of them at once.
std::string describe(const app::Options& o)
{
    std::string text = "port " + o.port + ", trace " + (o.trace ? "on" : "off") + ", realtime " +
                       (o.realtime ? "on" : "off") + ", rigctld " +
                       (o.rigctldPort ? std::to_string(*o.rigctldPort) : std::string("off")) + ", rig " +
                       std::to_string(o.rig.base) + " " + std::to_string(o.rig.startHz) + " " +
                       (o.rig.encoder == rules::Encoder::halfCycles ? "1" : "2") + ", allow-io";
    for (const std::string& range : o.allowIo)
        text += " " + range;
    return text;
}

constexpr const char* defaults =
    "port sim, trace off, realtime off, rigctld off, rig 888 7040000 1, allow-io";

struct CommandLineRow {
    const char* proves;
    QStringList arguments;
    const char* expected; // the options described, or the refusal's text
};

const CommandLineRow rows[] = {
    {"defaults", {}, defaults},
    {"every option",
     {"--trace", "--realtime", "--port", "direct", "--allow-io", "264-266", "--allow-io=0xd010-0xd012",
      "--rig-port=4264", "--rig-model", "KRV-20", "--rig-encoder", "2", "--rigctld=4533"},
     "port direct, trace on, realtime on, rigctld 4533, rig 4264 14060000 2, allow-io 264-266 0xd010-0xd012"},
    {"bare rigctld takes Hamlib's port",
     {"--rigctld"},
     "port sim, trace off, realtime off, rigctld 4532, "
     "rig 888 7040000 1, allow-io"},
    {"bare rigctld before another option",
     {"--rigctld", "--trace"},
     "port sim, trace on, realtime off, rigctld 4532, rig 888 7040000 1, allow-io"},
    {"highest rigctld port",
     {"--rigctld=65535"},
     "port sim, trace off, realtime off, rigctld 65535, rig 888 7040000 1, allow-io"},
    {"positional argument", {"--rigctld", "4533"}, "corvane: unexpected argument \"4533\" (see --help)\n"},
    {"after -- there are no options",
     {"--", "--rigctld"},
     "corvane: unexpected argument \"--rigctld\" (see --help)\n"},
    {"unknown option", {"--rigctl"}, "corvane: Unknown option 'rigctl'.\n"},
    {"rigctld port 0", {"--rigctld=0"}, "corvane: --rigctld: \"0\" is not a port (1..65535)\n"},
    {"rigctld port above 65535",
     {"--rigctld=65536"},
     "corvane: --rigctld: \"65536\" is not a port (1..65535)\n"},
    {"rigctld letters", {"--rigctld=rig"}, "corvane: --rigctld: \"rig\" is not a port (1..65535)\n"},
    {"rigctld empty", {"--rigctld="}, "corvane: --rigctld: \"\" is not a port (1..65535)\n"},
    {"rigctld blank", {"--rigctld= 4532"}, "corvane: --rigctld: \" 4532\" is not a port (1..65535)\n"},
    {"rigctld plus sign", {"--rigctld=+4532"}, "corvane: --rigctld: \"+4532\" is not a port (1..65535)\n"},
    {"rig port blank",
     {"--rig-port", " 888"},
     "corvane: --rig-port \" 888\": expected an address from 0 to 32765\n"},
    {"rig port plus sign",
     {"--rig-port", "+888"},
     "corvane: --rig-port \"+888\": expected an address from 0 to 32765\n"},
    {"rig pitch NaN",
     {"--rig-pitch", "nan"},
     "corvane: --rig-pitch: \"nan\" is not a number from 300 to 1200\n"},
    {"rig pitch blank",
     {"--rig-pitch", " 700"},
     "corvane: --rig-pitch: \" 700\" is not a number from 300 to 1200\n"},
    {"rig speed as a decimal", {"--rig-wpm", "1.25e1"}, defaults},
    {"rig label with a figure",
     {"--rig-label", "F1"},
     "corvane: --rig-label: \"F1\" is not a word of letters\n"},
    {"port given twice", {"--port", "sim", "--port=ppdev"}, "corvane: --port given twice\n"},
    {"rigctld given twice", {"--rigctld", "--rigctld=4533"}, "corvane: --rigctld given twice\n"},
    {"rig model given twice",
     {"--rig-model=KRV-20", "--rig-model=KRV-20"},
     "corvane: --rig-model given twice\n"},
};

class CommandLine : public ::testing::TestWithParam<CommandLineRow>
{
};

TEST_P(CommandLine, GivesTheOptionsOrRefusesWithExitCode1)
{
    const app::Parsed parsed =
        app::parseCommandLine(QStringList{QStringLiteral("corvane")} + GetParam().arguments);
    if (parsed.options) {
        EXPECT_EQ(parsed.exitCode, 0);
        EXPECT_EQ(describe(*parsed.options), GetParam().expected);
    } else {
        EXPECT_EQ(parsed.exitCode, 1);
        EXPECT_EQ(parsed.text.toStdString(), GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CommandLine, ::testing::ValuesIn(rows), RowName());

} // namespace
