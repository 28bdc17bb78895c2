// The ppdev backend on the in-memory kernel: which driver call each address
// becomes, what it refuses before writing, and how it fails to start.
#include "hw/PortRules.h"
#include "hw/PpdevPort.h"
#include "support/FakeSystem.h"
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <QTest>

#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <functional>
#include <optional>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace
{

// Fault injection: one device refuses to open.
struct OpenFails : ForwardingSystem {
    OpenFails(SystemIo& inner, std::string path, int error)
        : ForwardingSystem(inner), path(std::move(path)), error(error)
    {
    }
    int openDevice(const std::string& p) override { return p == path ? error : inner_.openDevice(p); }
    std::string path;
    int error;
};

// Fault injection: one driver request fails.
struct IoctlFails : ForwardingSystem {
    IoctlFails(SystemIo& inner, unsigned long request, int error)
        : ForwardingSystem(inner), request(request), error(error)
    {
    }
    int ioctl(int fd, unsigned long r, void* arg) override
    {
        return r == request ? error : inner_.ioctl(fd, r, arg);
    }
    unsigned long request;
    int error;
};

// A PC with ports at 888 and at 0xd010 (a card the driver knows, named by a
// negative Port value); no port at 632 or 956.
class Ppdev : public ::testing::Test
{
protected:
    Ppdev()
    {
        system.addParport(0, 888);
        system.addParport(1, 0xd010);
        system.addFile("/proc/sys/dev/parport/default/timeslice", "200\n");
        port.emplace(system);
        log.clear();
    }
    TrafficLog log;
    FakeSystem system{log};
    std::optional<PpdevPort> port;
};

TEST_F(Ppdev, ClaimsEveryListedPortOnceWithItsDataLinesDriving)
{
    TrafficLog opened;
    FakeSystem fresh(opened);
    fresh.addParport(1, 632);
    fresh.addParport(0, 888);
    std::optional<PpdevPort> p(fresh);
    EXPECT_THAT(opened, ElementsAre("open /dev/parport0", "parport0 PPCLAIM", "parport0 PPDATADIR 0",
                                    "open /dev/parport1", "parport1 PPCLAIM", "parport1 PPDATADIR 0"));
    EXPECT_EQ(p->summary(),
              "ppdev: parallel port at 888 (/dev/parport0), parallel port at 632 (/dev/parport1)");
    opened.clear();
    p.reset();
    EXPECT_THAT(opened, ElementsAre("parport0 PPRELEASE", "close /dev/parport0", "parport1 PPRELEASE",
                                    "close /dev/parport1"));
}

struct MapRow {
    const char* proves;
    bool write;
    int16_t address;
    int16_t value; // written, or expected to be read
    const char* call;
};

class PpdevMapping : public Ppdev, public ::testing::WithParamInterface<MapRow>
{
};

TEST_P(PpdevMapping, BecomesOneDriverCall)
{
    const MapRow& row = GetParam();
    if (row.write)
        port->Out32(row.address, row.value);
    else
        EXPECT_EQ(port->Inp32(row.address), row.value);
    EXPECT_THAT(log, ElementsAre(row.call));
}

const MapRow mapRows[] = {
    {"data write", true, 888, 251, "parport0 PPWDATA 251"},
    {"data write takes the low byte", true, 888, 0x1f3, "parport0 PPWDATA 243"},
    {"data read", false, 888, 0, "parport0 PPRDATA 0"},
    {"status read", false, 889, 0x78, "parport0 PPRSTATUS 120"},
    {"control write drops bits 4 to 7", true, 890, 244, "parport0 PPWCONTROL 4"},
    {"control write keeps bits 0 to 3", true, 890, 255, "parport0 PPWCONTROL 15"},
    {"control read", false, 890, 0x0c, "parport0 PPRCONTROL 12"},
    {"address is the unsigned value of the bits", true, -12272, 247, "parport1 PPWDATA 247"},
    {"control of the second port", true, -12270, 246, "parport1 PPWCONTROL 6"},
};
INSTANTIATE_TEST_SUITE_P(Rows, PpdevMapping, ::testing::ValuesIn(mapRows), RowName());

struct RefusalRow {
    const char* proves;
    bool write;
    int16_t address;
    const char* message;
};

class PpdevRefusal : public Ppdev, public ::testing::WithParamInterface<RefusalRow>
{
};

TEST_P(PpdevRefusal, ThrowsBeforeAnyDriverCall)
{
    const RefusalRow& row = GetParam();
    EXPECT_EQ(thrownMessage<PortRefused>([&] {
                  if (row.write)
                      port->Out32(row.address, 254);
                  else
                      port->Inp32(row.address);
              }),
              row.message);
    EXPECT_THAT(log, IsEmpty());
}

const RefusalRow refusalRows[] = {
    {"other card", true, 264,
     "no parallel port at 264 (this PC has 888, 53264); other cards need --port direct"},
    {"other card read", false, 266,
     "no parallel port at 266 (this PC has 888, 53264); other cards need --port direct"},
    {"status write", true, 889, "889 is the read-only status register of the parallel port at 888"},
    {"typo", true, 8888, "no parallel port at 8888 (this PC has 888, 53264); other cards need --port direct"},
    {"keyboard controller", true, 100,
     "no parallel port at 100 (this PC has 888, 53264); other cards need --port direct"},
    {"status of an absent standard port", true, 633,
     "no parallel port at 633 (this PC has 888, 53264); other cards need --port direct"},
    {"beyond base plus 2", true, 891,
     "no parallel port at 891 (this PC has 888, 53264); other cards need --port direct"},
    {"high address as unsigned", true, -1,
     "no parallel port at 65535 (this PC has 888, 53264); other cards need --port direct"},
};
INSTANTIATE_TEST_SUITE_P(Rows, PpdevRefusal, ::testing::ValuesIn(refusalRows), RowName());

TEST_F(Ppdev, FailingDriverCallStopsTheAccessWithThePortNamed)
{
    IoctlFails gone(system, PPWDATA, -ENODEV);
    PpdevPort p(gone);
    EXPECT_EQ(thrownMessage<std::runtime_error>([&] { p.Out32(888, 255); }),
              "parallel port at 888 (/dev/parport0): no such device");
}

struct StartRow {
    const char* proves;
    std::function<void(FakeSystem&)> setUp;
    std::function<std::unique_ptr<SystemIo>(SystemIo&)> fault;
    const char* message;
};

class PpdevStart : public ::testing::TestWithParam<StartRow>
{
};

TEST_P(PpdevStart, FailsWithOneLineThatSaysWhatToDo)
{
    const StartRow& row = GetParam();
    TrafficLog log;
    FakeSystem system(log);
    row.setUp(system);
    std::unique_ptr<SystemIo> faulty = row.fault ? row.fault(system) : nullptr;
    EXPECT_EQ(thrownMessage<StartupError>([&] { PpdevPort port(faulty ? *faulty : system); }), row.message);
    // Whatever was opened before the failure is given back, and nothing was written.
    for (int n = 0; n < 2; ++n)
        if (system.readFile("/proc/sys/dev/parport/parport" + std::to_string(n) + "/base-addr")) {
            EXPECT_FALSE(system.device(n).open) << n;
            EXPECT_FALSE(system.device(n).claimed) << n;
        }
    for (const std::string& line : log)
        EXPECT_EQ(line.find("PPW"), std::string::npos) << line;
}

void twoPorts(FakeSystem& s)
{
    s.addParport(0, 888);
    s.addParport(1, 632);
}

template <typename Fault, typename... Args> auto inject(Args... args)
{
    return
        [=](SystemIo& inner) -> std::unique_ptr<SystemIo> { return std::make_unique<Fault>(inner, args...); };
}

const StartRow startRows[] = {
    {"no port listed", [](FakeSystem&) {}, nullptr,
     "no parallel port: /proc/sys/dev/parport lists none — load the drivers (sudo modprobe parport_pc "
     "ppdev), "
     "or use --port direct for other cards"},
    {"permission denied", twoPorts, inject<OpenFails>(std::string("/dev/parport0"), -EACCES),
     "cannot open /dev/parport0: permission denied — add yourself to group lp (sudo adduser $USER lp) and "
     "log "
     "in again"},
    {"no device node", twoPorts, inject<OpenFails>(std::string("/dev/parport1"), -ENOENT),
     "cannot open /dev/parport1: no such file or directory — load the driver (sudo modprobe ppdev)"},
    {"other open error", twoPorts, inject<OpenFails>(std::string("/dev/parport1"), -EIO),
     "cannot open /dev/parport1: input/output error"},
    {"claim refused", twoPorts, inject<IoctlFails>(static_cast<unsigned long>(PPCLAIM), -EBUSY),
     "cannot claim /dev/parport0: device or resource busy"},
    {"direction refused", twoPorts, inject<IoctlFails>(static_cast<unsigned long>(PPDATADIR), -EINVAL),
     "cannot set the data lines of /dev/parport0 to output: invalid argument"},
    {"base address unreadable",
     [](FakeSystem& s) { s.addFile("/proc/sys/dev/parport/parport0/autoprobe", ""); }, nullptr,
     "cannot read /proc/sys/dev/parport/parport0/base-addr"},
};
INSTANTIATE_TEST_SUITE_P(Rows, PpdevStart, ::testing::ValuesIn(startRows), RowName());

// The panel on ppdev: start-up reaches only the port the PC has, and a click
// on a Port the PC lacks is reported, not written.
class PanelOnPpdev : public ::testing::Test
{
protected:
    PanelOnPpdev(uint16_t base = 888) : system(log), timer(log)
    {
        system.addParport(0, base);
        port.emplace(system);
        log.clear();
        panel = std::make_unique<Corvane>(*port, timer);
        port->endStartup(); // as the program does once the panel is up
        startupTraffic = log;
        log.clear();
    }
    TrafficLog log;
    TrafficLog startupTraffic;
    FakeSystem system;
    RecordingTimer timer;
    std::optional<PpdevPort> port;
    std::unique_ptr<Corvane> panel;
};

TEST_F(PanelOnPpdev, StartUpRestsThePortThePcHas)
{
    EXPECT_THAT(startupTraffic,
                ElementsAre("parport0 PPRCONTROL 12", "parport0 PPWCONTROL 12", // RIT off
                            "parport0 PPWDATA 255", "parport0 PPWCONTROL 4", "parport0 PPRDATA 255",
                            "define 55 2 1", "define 650 2 2", "define 2600 1 3", "define 26 1 4"));
    EXPECT_FALSE(system.device(0).reversed);
    EXPECT_EQ(panel->Text4->text(), "11B");
}

TEST_F(PanelOnPpdev, ClickOnAPortThePcLacksIsReportedAndWritesNothing)
{
    panel->Text3->setText(QStringLiteral("7040"));
    panel->show();
    // 632 is standard, but start-up is over: only its rest writes went nowhere.
    for (const char* text : {"264", "632"}) {
        QSignalSpy failures(panel.get(), &Corvane::actionFailed);
        panel->Port->setCurrentText(QString::fromLatin1(text));
        QTest::mouseClick(panel->Command7, Qt::LeftButton);
        ASSERT_EQ(failures.size(), 1) << text;
        EXPECT_EQ(failures.at(0).at(0).toString().toStdString(),
                  "no parallel port at " + std::string(text) +
                      " (this PC has 888); other cards need --port direct");
    }
    EXPECT_THAT(log, IsEmpty());
    EXPECT_EQ(panel->Text3->text(), "7040");
}

class PanelOnPpdevAt632 : public PanelOnPpdev
{
protected:
    PanelOnPpdevAt632() : PanelOnPpdev(632) {}
};

TEST_F(PanelOnPpdevAt632, StartUpSucceedsWithTheDefaultPortAbsent)
{
    // Port "888" is absent here: RIT off and the readout see 255 and touch nothing.
    EXPECT_THAT(startupTraffic, ElementsAre("parport0 PPWDATA 255", "parport0 PPWCONTROL 4", "define 55 2 1",
                                            "define 650 2 2", "define 2600 1 3", "define 26 1 4"));
    EXPECT_EQ(panel->Text4->text(), "11B");
}

} // namespace
