// The GPIO backend on the in-memory chip: the physical line levels each panel
// action sets, what it refuses before setting anything, and how it fails to start.
#include "hw/Backends.h"
#include "hw/GpioPort.h"
#include "hw/PortRules.h"
#include "support/FakeSystem.h"
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <linux/gpio.h>

#include <cerrno>
#include <functional>
#include <optional>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace
{

// Lines 17, 27, 22, 23 carry encoder A, encoder B, key and RIT.
std::vector<std::string> piHeader()
{
    std::vector<std::string> names;
    for (int i = 0; i < 28; ++i)
        names.push_back("GPIO" + std::to_string(i));
    return names;
}

GpioTexts texts(const char* lines = "17,27,22,23")
{
    GpioTexts t;
    t.chip = "gpiochip0";
    t.lines = lines;
    return t;
}

// The gpio lines of a log, without the timer's.
TrafficLog gpioOnly(const TrafficLog& log)
{
    TrafficLog lines;
    for (const std::string& line : log)
        if (line.rfind("gpio", 0) == 0)
            lines.push_back(line);
    return lines;
}

class PanelOnGpio : public ::testing::Test
{
protected:
    void start(GpioTexts t)
    {
        system.addGpioChip(piHeader());
        backend = openPortBackend("gpio", {}, system, t);
        panel = std::make_unique<Corvane>(*backend.port, timer);
        startupTraffic = log;
        log.clear();
    }
    TrafficLog log;
    TrafficLog startupTraffic;
    FakeSystem system{log};
    RecordingTimer timer{log};
    PortBackend backend;
    std::unique_ptr<Corvane> panel;
};

TEST_F(PanelOnGpio, StartUpRequestsTheLinesAtRestOnceAndKeepsThem)
{
    start(texts("GPIO17,27,GPIO22,23"));
    EXPECT_THAT(gpioOnly(startupTraffic), ElementsAre("gpio request 17=1 27=1 22=1 23=1 by corvane",
                                                      "gpio set 22=1 23=1", // RIT off
                                                      "gpio set 17=1 27=1", "gpio set 22=1 23=1"));
    EXPECT_EQ(startupTraffic.front(), "open /dev/gpiochip0");
    EXPECT_EQ(system.gpioLine(22).flags, GPIO_V2_LINE_FLAG_OUTPUT);
    EXPECT_EQ(panel->Text4->text(), "11B");
    EXPECT_EQ(backend.summary,
              "GPIO: gpiochip0 lines 17, 27, 22, 23 (encoder A, B, key, RIT), push-pull, at port 888");
    panel.reset();
    backend.port.reset();
    EXPECT_THAT(log, ElementsAre("gpio release"));
}

struct ActionRow {
    const char* proves;
    std::function<void(GpioTexts&)> options;
    const char* port;
    const char* encoder;
    std::function<void(Corvane&)> act;
    std::vector<std::string> sets;
};

class GpioAction : public PanelOnGpio, public ::testing::WithParamInterface<ActionRow>
{
};

TEST_P(GpioAction, SetsExactlyTheseLevels)
{
    const ActionRow& row = GetParam();
    GpioTexts t = texts();
    if (row.options)
        row.options(t);
    start(t);
    panel->Port->setCurrentText(QLatin1String(row.port));
    panel->Encoder->setCurrentText(QLatin1String(row.encoder));
    panel->Text3->setText(QStringLiteral("7040"));
    panel->Text1->setText(QStringLiteral("7040"));
    log.clear();
    row.act(*panel);
    EXPECT_THAT(gpioOnly(log), ElementsAreArray(row.sets));
}

const auto click = [](QPushButton* Corvane::*button) {
    return [button](Corvane& p) { (p.*button)->click(); };
};

const ActionRow actionRows[] = {
    {"half cycle step: A then B, both lines in every call",
     nullptr,
     "888",
     "1",
     click(&Corvane::Command3),
     {"gpio set 17=0 27=1", "gpio set 17=0 27=0"}},
    {"whole cycle step",
     nullptr,
     "888",
     "2",
     click(&Corvane::Command4),
     {"gpio set 17=1 27=0", "gpio set 17=0 27=0", "gpio set 17=0 27=1", "gpio set 17=1 27=1"}},
    {"long key press, RIT kept",
     nullptr,
     "888",
     "1",
     click(&Corvane::Command2),
     {"gpio set 22=0 23=1", "gpio set 22=1 23=1"}},
    {"short key press",
     nullptr,
     "888",
     "1",
     click(&Corvane::Command1),
     {"gpio set 22=0 23=1", "gpio set 22=1 23=1"}},
    {"RIT on then off",
     nullptr,
     "888",
     "1",
     [](Corvane& p) {
         p.RIT_ON->click();
         p.RIT_OFF->click();
     },
     {"gpio set 22=1 23=0", "gpio set 22=1 23=1"}},
    {"other base: key alone on base+1",
     [](GpioTexts& t) { t.base = "264"; },
     "264",
     "1",
     click(&Corvane::Command1),
     {"gpio set 22=0", "gpio set 22=1"}},
    {"other base: RIT alone on base+2",
     [](GpioTexts& t) { t.base = "264"; },
     "264",
     "1",
     [](Corvane& p) { p.RIT_ON->click(); },
     {"gpio set 23=0"}},
    {"active-low lines are inverted at the pin",
     [](GpioTexts& t) {
         t.activeLow = "b,rit";
         t.drive = "open-drain";
     },
     "888",
     "1",
     [](Corvane& p) {
         p.RIT_ON->click();
         p.Command3->click();
     },
     {"gpio set 22=1 23=1", "gpio set 17=0 27=0", "gpio set 17=0 27=1"}},
};
INSTANTIATE_TEST_SUITE_P(Rows, GpioAction, ::testing::ValuesIn(actionRows), RowName());

TEST_F(PanelOnGpio, LineFlagsFollowDriveAndActiveLow)
{
    GpioTexts t = texts();
    t.activeLow = "key";
    t.drive = "open-drain";
    start(t);
    const uint64_t openDrain = GPIO_V2_LINE_FLAG_OUTPUT | GPIO_V2_LINE_FLAG_OPEN_DRAIN;
    EXPECT_EQ(system.gpioLine(17).flags, openDrain);
    EXPECT_EQ(system.gpioLine(22).flags, openDrain | GPIO_V2_LINE_FLAG_ACTIVE_LOW);
    EXPECT_EQ(system.gpioLine(22).level, 0); // key up, through the inverting stage
}

TEST_F(PanelOnGpio, AnotherPortIsRefusedBeforeAnythingIsSet)
{
    start(texts());
    GpioPort& port = static_cast<GpioPort&>(*backend.port);
    const std::pair<int16_t, const char*> refused[] = {
        {264, "no port at 264; the GPIO lines answer at 888 (--gpio-base)"},
        {889, "889 is the read-only status register of the port at 888"},
        {891, "no port at 891; the GPIO lines answer at 888 (--gpio-base)"},
    };
    for (const auto& [address, message] : refused)
        EXPECT_EQ(thrownMessage<PortRefused>([&] { port.Out32(address, 254); }), message);
    port.Out32(632, 255); // start-up's rest writes to a standard port the lines are not
    EXPECT_EQ(port.Inp32(634), 255);
    EXPECT_THAT(log, IsEmpty());

    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    panel->Port->setCurrentText(QStringLiteral("264"));
    panel->show();
    panel->Command3->click();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.at(0).at(0).toString(), "no port at 264; the GPIO lines answer at 888 (--gpio-base)");
    EXPECT_THAT(gpioOnly(log), IsEmpty());
}

struct StartRow {
    const char* proves;
    std::function<void(FakeSystem&)> setUp;
    std::function<void(GpioTexts&)> options;
    const char* message;
};

class GpioStart : public ::testing::TestWithParam<StartRow>
{
};

// Fault injection: the chip refuses to open.
struct ChipOpenFails : ForwardingSystem {
    using ForwardingSystem::ForwardingSystem;
    int openDevice(const std::string&) override { return -EACCES; }
};

TEST_P(GpioStart, FailsWithOneLineThatSaysWhatToDo)
{
    const StartRow& row = GetParam();
    TrafficLog log;
    FakeSystem system(log);
    system.addGpioChip(piHeader());
    if (row.setUp)
        row.setUp(system);
    GpioTexts t = texts();
    row.options(t);
    ChipOpenFails denied(system);
    SystemIo& io = std::string(row.proves) == "permission denied" ? static_cast<SystemIo&>(denied) : system;
    EXPECT_EQ(thrownMessage<StartupError>([&] { openPortBackend("gpio", {}, io, t); }), row.message);
    for (const std::string& line : log)
        EXPECT_EQ(line.rfind("gpio", 0), std::string::npos) << line;
}

const auto keep = [](GpioTexts&) {};

const StartRow startRows[] = {
    {"no chip", nullptr, [](GpioTexts& t) { t.chip = "gpiochip4"; },
     "no GPIO chip /dev/gpiochip4 — list the chips with gpioinfo (package gpiod)"},
    {"permission denied", nullptr, keep,
     "cannot open /dev/gpiochip0: permission denied — add yourself to group gpio (sudo adduser $USER gpio) "
     "and log in again, or give a group the chip with a udev rule (see the README)"},
    {"line busy", [](FakeSystem& s) { s.gpioLine(22).consumer = "spi0 CS0"; }, keep,
     "line 22 of gpiochip0 is in use by \"spi0 CS0\" — stop that program or free the line (a device-tree "
     "overlay), or choose another line"},
    {"offset one past the last", nullptr, [](GpioTexts& t) { t.lines = "17,27,22,28"; },
     "--gpio-lines: gpiochip0 has no line 28 (its lines are 0..27)"},
    {"no such name", nullptr, [](GpioTexts& t) { t.lines = "17,27,22,PIN16"; },
     "--gpio-lines: gpiochip0 has no line named \"PIN16\" — list its lines with gpioinfo gpiochip0"},
    {"same line twice", nullptr, [](GpioTexts& t) { t.lines = "17,GPIO17,22,23"; },
     "--gpio-lines: line 17 of gpiochip0 is given twice; the rig needs four lines"},
    {"three lines", nullptr, [](GpioTexts& t) { t.lines = "17,27,22"; },
     "--gpio-lines \"17,27,22\": give four lines, offsets or names: encoder A, encoder B, key, RIT (e.g. "
     "17,27,22,23)"},
    {"no chip named", nullptr, [](GpioTexts& t) { t.chip.reset(); },
     "--port gpio needs --gpio-chip (gpioinfo lists the chips)"},
    {"empty chip name", nullptr, [](GpioTexts& t) { t.chip = ""; },
     "--port gpio needs --gpio-chip (gpioinfo lists the chips)"},
    {"blank line name", nullptr, [](GpioTexts& t) { t.lines = "17,,22,23"; },
     "--gpio-lines \"17,,22,23\": give four lines, offsets or names: encoder A, encoder B, key, RIT (e.g. "
     "17,27,22,23)"},
    {"bad drive", nullptr, [](GpioTexts& t) { t.drive = "open-collector"; },
     "--gpio-drive \"open-collector\": choose push-pull or open-drain"},
    {"bad active-low", nullptr, [](GpioTexts& t) { t.activeLow = "key,22"; },
     "--gpio-active-low \"key,22\": name lines among a, b, key, rit"},
    {"bad base", nullptr, [](GpioTexts& t) { t.base = "0x378"; },
     "--gpio-base \"0x378\": give the port address, 0..65535"},
};
INSTANTIATE_TEST_SUITE_P(Rows, GpioStart, ::testing::ValuesIn(startRows), RowName());

// Fault injection: the chip refuses to set the lines while `failing`.
struct SetValuesFails : ForwardingSystem {
    using ForwardingSystem::ForwardingSystem;
    int ioctl(int fd, unsigned long request, void* arg) override
    {
        return failing && request == GPIO_V2_LINE_SET_VALUES_IOCTL ? -EIO : inner_.ioctl(fd, request, arg);
    }
    bool failing = false;
};

TEST(GpioWrite, ARegisterTheLinesDidNotTakeKeepsItsByte)
{
    TrafficLog log;
    FakeSystem system(log);
    system.addGpioChip(piHeader());
    SetValuesFails flaky(system);
    PortBackend backend = openPortBackend("gpio", {}, flaky, texts());
    backend.port->Out32(888, 251);
    flaky.failing = true;
    EXPECT_EQ(thrownMessage<std::runtime_error>([&] { backend.port->Out32(888, 243); }),
              "GPIO lines of gpiochip0: input/output error");
    EXPECT_EQ(backend.port->Inp32(888), 251);
}

TEST(GpioChoice, GpioOptionsNeedPortGpio)
{
    TrafficLog log;
    FakeSystem system(log);
    EXPECT_EQ(thrownMessage<StartupError>([&] { openPortBackend("sim", {}, system, texts()); }),
              "the --gpio-* options need --port gpio");
}

} // namespace
