// Direct port I/O on the in-memory kernel: the allowed addresses and how they
// are given, ioperm before first use, refusals before any write, and the
// choice of backend with its start-up messages; and what both hardware
// backends do with a standard port the PC lacks.
#include "hw/Backends.h"
#include "hw/DirectPort.h"
#include "hw/PortRules.h"
#include "hw/PpdevPort.h"
#include "support/FakeSystem.h"
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace
{

struct RangeRow {
    const char* proves;
    const char* text;
    IoRange range;
};

class AllowIo : public ::testing::TestWithParam<RangeRow>
{
};

TEST_P(AllowIo, ParsesFirstAndLast)
{
    const IoRange range = parseIoRange(GetParam().text);
    EXPECT_EQ(range.first, GetParam().range.first);
    EXPECT_EQ(range.last, GetParam().range.last);
}

const RangeRow rangeRows[] = {
    {"decimal", "888-890", {888, 890}},
    {"hex", "0x378-0x37a", {0x378, 0x37a}},
    {"upper case hex", "0XD010-0XD012", {0xd010, 0xd012}},
    {"decimal and hex mixed", "264-0x10a", {264, 266}},
    {"one address", "0x64-0x64", {100, 100}},
    {"whole space", "0-65535", {0, 65535}},
};
INSTANTIATE_TEST_SUITE_P(Rows, AllowIo, ::testing::ValuesIn(rangeRows), RowName());

struct BadRangeRow {
    const char* proves;
    const char* text;
};

class AllowIoRefused : public ::testing::TestWithParam<BadRangeRow>
{
};

TEST_P(AllowIoRefused, NamesTheTextAndTheForm)
{
    const std::string text = GetParam().text;
    EXPECT_EQ(thrownMessage<StartupError>([&] { parseIoRange(text); }),
              "--allow-io \"" + text +
                  "\": give FIRST-LAST, each 0..65535 in decimal or 0x-hex, e.g. 0xd010-0xd012");
}

const BadRangeRow badRangeRows[] = {
    {"letters", "abc"},        {"no dash", "888"},
    {"no last", "888-"},       {"no first", "-890"},
    {"bare 0x", "0x-0x1"},     {"above 16 bits", "888-65536"},
    {"blanks", "888 - 890"},   {"bad hex digit", "0x37g-0x37a"},
    {"plus sign", "+888-890"}, {"negative", "-1-5"},
    {"two ranges", "1-2-3"},
};
INSTANTIATE_TEST_SUITE_P(Rows, AllowIoRefused, ::testing::ValuesIn(badRangeRows), RowName());

TEST(AllowIoOrder, FirstAboveLastIsRefused)
{
    EXPECT_EQ(thrownMessage<StartupError>([] { parseIoRange("890-888"); }),
              "--allow-io \"890-888\": FIRST is above LAST");
}

TEST(IoPorts, TakesTheParallelPortRangesAtAnyDepth)
{
    const char* ioports = "0000-0cf7 : PCI Bus 0000:00\n"
                          "  0060-0060 : keyboard\n"
                          "  0064-0064 : keyboard\n"
                          "  0278-027a : parport1\n"
                          "  0378-037a : parport0\n"
                          "  0778-077a : parport0\n"
                          "d000-dfff : PCI Bus 0000:05\n"
                          "  d010-d017 : 0000:05:00.0\n"
                          "    d010-d012 : parport2\n"
                          "e000-e0ff : broken line without a colon\n";
    EXPECT_THAT(parallelPortRanges(ioports), ElementsAre(IoRange{0x278, 0x27a}, IoRange{0x378, 0x37a},
                                                         IoRange{0x778, 0x77a}, IoRange{0xd010, 0xd012}));
    // What a user without CAP_SYS_ADMIN reads.
    EXPECT_THAT(parallelPortRanges("  0000-0000 : parport0\n"), IsEmpty());
}

// A PC whose kernel lists a port at 0x378, with 264..266 allowed by hand.
class Direct : public ::testing::Test
{
protected:
    Direct()
    {
        system.addFile("/proc/ioports", "  0060-0060 : keyboard\n  0378-037a : parport0\n");
        port.emplace(system, std::vector<IoRange>{{264, 266}});
    }
    TrafficLog log;
    FakeSystem system{log};
    std::optional<DirectPort> port;
};

TEST_F(Direct, GrantsEachAddressOnceBeforeItsFirstAccess)
{
    // Start-up asked for the first address already, to learn the privilege early.
    EXPECT_THAT(log, ElementsAre("ioperm 888"));
    log.clear();
    port->Out32(888, 255);
    port->Out32(890, 244);
    port->Out32(890, 0x1f5);
    system.setIo(889, 0x78);
    EXPECT_EQ(port->Inp32(889), 0x78);
    port->Out32(265, 254);
    port->Out32(266, 254);
    EXPECT_THAT(log, ElementsAre("outb 888 255", "ioperm 890", "outb 890 244", "outb 890 245", "ioperm 889",
                                 "inb 889 120", "ioperm 265", "outb 265 254", "ioperm 266", "outb 266 254"));
    EXPECT_EQ(system.unguardedAccesses, 0);
    EXPECT_EQ(port->summary(), "direct I/O at 888-890, 264-266");
}

TEST_F(Direct, AddressIsTheUnsignedValueOfTheBits)
{
    DirectPort high(system, {{0xd010, 0xd012}});
    log.clear();
    high.Out32(static_cast<int16_t>(0xd012), 254);
    EXPECT_THAT(log, ElementsAre("ioperm 53266", "outb 53266 254"));
}

TEST(HardwareBackends, AbsentStandardPortTakesStartUpsRestAndIsRefusedAfter)
{
    struct Backend {
        const char* name;
        std::function<std::unique_ptr<HardwarePort>(SystemIo&)> open;
        const char* refusalTail; // after "no parallel port at <address>"
    };
    const Backend backends[] = {
        {"ppdev", [](SystemIo& s) { return std::make_unique<PpdevPort>(s); },
         " (this PC has 888); other cards need --port direct"},
        {"direct", [](SystemIo& s) { return std::make_unique<DirectPort>(s, std::vector<IoRange>{}); },
         " (direct I/O reaches 888-890); name other cards with --allow-io"},
    };
    for (const Backend& backend : backends) {
        SCOPED_TRACE(backend.name);
        TrafficLog log;
        FakeSystem system(log);
        system.addParport(0, 888);
        system.addFile("/proc/ioports", "  0378-037a : parport0\n");
        const std::unique_ptr<HardwarePort> port = backend.open(system);
        log.clear();
        for (const int16_t address : {632, 634, 956, 958}) {
            EXPECT_EQ(port->Inp32(address), 255) << address;
            port->Out32(address, 244);
        }
        port->endStartup();
        for (const int16_t address : {632, 634, 956, 958}) {
            const std::string message = "no parallel port at " + std::to_string(address) + backend.refusalTail;
            EXPECT_EQ(thrownMessage<PortRefused>([&] { port->Out32(address, 244); }), message);
            EXPECT_EQ(thrownMessage<PortRefused>([&] { port->Inp32(address); }), message);
            EXPECT_EQ(thrownMessage<PortRefused>([&] { port->checkAccess(address, true); }), message);
        }
        EXPECT_THAT(log, IsEmpty());
    }
}

TEST_F(Direct, AddressOutsideTheRangesIsRefusedBeforeAnyWrite)
{
    log.clear();
    const std::pair<int16_t, const char*> rows[] = {
        {100, "no parallel port at 100 (direct I/O reaches 888-890, 264-266); name other cards with "
              "--allow-io"}, // RIT on with Port "98"
        {267,
         "no parallel port at 267 (direct I/O reaches 888-890, 264-266); name other cards with --allow-io"},
        {891,
         "no parallel port at 891 (direct I/O reaches 888-890, 264-266); name other cards with --allow-io"},
        {633,
         "no parallel port at 633 (direct I/O reaches 888-890, 264-266); name other cards with --allow-io"},
    };
    for (const auto& [address, message] : rows) {
        EXPECT_EQ(thrownMessage<PortRefused>([&] { port->Out32(address, 254); }), message);
        EXPECT_EQ(thrownMessage<PortRefused>([&] { port->Inp32(address); }), message);
    }
    EXPECT_THAT(log, IsEmpty());
    EXPECT_EQ(system.io(100), 255);
}

// Fault injection: ioperm is refused from the given address on.
struct IopermFails : ForwardingSystem {
    IopermFails(SystemIo& inner, uint16_t from, int error) : ForwardingSystem(inner), from(from), error(error)
    {
    }
    int ioperm(uint16_t address) override { return address >= from ? error : inner_.ioperm(address); }
    uint16_t from;
    int error;
};

TEST_F(Direct, DeniedGrantAtAClickStopsTheAccess)
{
    IopermFails denied(system, 890, -EPERM);
    DirectPort p(denied, {});
    log.clear();
    EXPECT_EQ(thrownMessage<std::runtime_error>([&] { p.Out32(890, 244); }),
              "no access to I/O address 890: operation not permitted — --port direct needs root or "
              "CAP_SYS_RAWIO");
    EXPECT_THAT(log, IsEmpty());
}

TEST(DirectStart, FailsWithOneLineThatSaysWhatToDo)
{
    TrafficLog log;
    FakeSystem system(log);
    EXPECT_EQ(thrownMessage<StartupError>([&] { DirectPort p(system, {}); }),
              "no I/O address to use: /proc/ioports shows no parallel port — name the card's addresses with "
              "--allow-io FIRST-LAST");
    system.addFile("/proc/ioports", "  0000-0000 : parport0\n");
    EXPECT_EQ(thrownMessage<StartupError>([&] { DirectPort p(system, {}); }),
              "no I/O address to use: /proc/ioports shows no parallel port — name the card's addresses with "
              "--allow-io FIRST-LAST");

    IopermFails denied(system, 0, -EPERM);
    EXPECT_EQ(thrownMessage<StartupError>([&] {
                  DirectPort p(denied, {{264, 266}});
              }),
              "no access to I/O address 264: operation not permitted — --port direct needs root or "
              "CAP_SYS_RAWIO");
    IopermFails missing(system, 0, -ENOSYS);
    EXPECT_EQ(thrownMessage<StartupError>([&] {
                  DirectPort p(missing, {{264, 266}});
              }),
              "no access to I/O address 264: function not implemented");

    system.portInstructions = false;
    EXPECT_EQ(thrownMessage<StartupError>([&] {
                  DirectPort p(system, {{264, 266}});
              }),
              "--port direct needs an x86 PC; use --port ppdev");
    EXPECT_THAT(log, IsEmpty());
}

TEST_F(Direct, PanelWithRitOnAndAPortTypoNeverReachesTheKeyboardController)
{
    RecordingTimer timer(log);
    Corvane panel(*port, timer);
    log.clear();

    QSignalSpy failures(&panel, &Corvane::actionFailed);
    panel.Port->setCurrentText(QStringLiteral("98"));
    panel.RIT_ON->setChecked(true);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(
        failures.at(0).at(0).toString(),
        "no parallel port at 100 (direct I/O reaches 888-890, 264-266); name other cards with --allow-io");
    EXPECT_THAT(log, IsEmpty());
}

TEST_F(Direct, BackendChoiceAndItsStartupMessages)
{
    system.addParport(0, 888);
    log.clear();
    const auto open = [&](const char* kind, std::vector<std::string> allowIo) {
        return thrownMessage<StartupError>([&] { openPortBackend(kind, allowIo, system); });
    };
    EXPECT_EQ(open("serial", {}), "--port \"serial\": choose sim, ppdev, direct or gpio");
    EXPECT_EQ(open("", {}), "--port \"\": choose sim, ppdev, direct or gpio");
    EXPECT_EQ(open("ppdev", {"264-266"}), "--allow-io needs --port direct");
    EXPECT_EQ(open("sim", {"264-266"}), "--allow-io needs --port direct");
    EXPECT_EQ(open("direct", {"264-266", "x"}),
              "--allow-io \"x\": give FIRST-LAST, each 0..65535 in decimal or 0x-hex, e.g. 0xd010-0xd012");
    EXPECT_THAT(log, IsEmpty());

    const PortBackend sim = openPortBackend("sim", {}, system);
    EXPECT_EQ(sim.port, nullptr);
    EXPECT_EQ(sim.summary, "");
    EXPECT_EQ(openPortBackend("ppdev", {}, system).summary, "ppdev: parallel port at 888 (/dev/parport0)");
    EXPECT_EQ(openPortBackend("direct", {"0x108-0x10a", "1000-1002"}, system).summary,
              "direct I/O at 888-890, 264-266, 1000-1002");
}

} // namespace
