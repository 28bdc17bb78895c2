#pragma once
// An in-memory kernel for the hardware backends: a /proc tree of text files,
// ppdev devices that answer as the driver does, a GPIO chip, and an I/O space
// for the port instructions. Every device call and port instruction goes into
// the log:
//   open /dev/parport0    parport0 PPCLAIM    parport0 PPWDATA 255
//   parport0 PPRCONTROL 4 (the value read)    close /dev/parport0
//   ioperm 888            outb 888 255        inb 888 255
//   gpio request 17=1 27=1 22=1 23=1 (the physical levels the lines start at)
//   gpio set 17=0 27=1 (one set-values call)   gpio release

#include "hw/SystemIo.h"
#include "support/Fakes.h"

#include <functional>
#include <map>
#include <set>
#include <string>

class FakeSystem : public SystemIo
{
public:
    explicit FakeSystem(TrafficLog& log) : log_(log) {}

    void addFile(const std::string& path, std::string contents) { files_[path] = std::move(contents); }
    // A port as the kernel lists it, /proc/sys/dev/parport/parportN/base-addr,
    // with its device /dev/parportN.
    void addParport(int number, uint16_t base);

    struct Device {
        bool open = false;
        bool claimed = false;
        bool reversed = false; // data lines turned into inputs
        uint8_t data = 0;
        uint8_t control = 0x0c; // the driver keeps bits 0..3
        uint8_t status = 0x78;
    };
    const Device& device(int number) const { return devices_.at(number); }

    // The GPIO chip /dev/gpiochip0 ("gpiochip0"), one line per name ("" for a
    // line without one).
    void addGpioChip(std::vector<std::string> lineNames);
    struct GpioLine {
        std::string name;
        std::string consumer; // not empty: requested
        uint64_t flags = 0;   // the request's GPIO_V2_LINE_FLAG_* for the line
        int level = -1;       // the physical level driven, -1 when not an output
    };
    GpioLine& gpioLine(uint32_t offset) { return gpioLines_.at(offset); }
    // Every physical level set (request and set-values), line by line in the
    // request's order: the wires a rig listens on.
    std::function<void(const std::vector<std::pair<uint32_t, bool>>&)> onGpioLevels;
    bool logGpioSets = true; // off for long runs

    bool portInstructions = true;
    int unguardedAccesses = 0; // inb/outb before ioperm: a crash on a real PC
    void setIo(uint16_t address, uint8_t value) { io_[address] = value; }
    int io(uint16_t address) const;

    std::optional<std::string> readFile(const std::string& path) override;
    std::vector<std::string> listDirectory(const std::string& path) override;
    int openDevice(const std::string& path) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void closeDevice(int fd) override;
    bool hasPortInstructions() const override { return portInstructions; }
    int ioperm(uint16_t address) override;
    uint8_t inb(uint16_t address) override;
    void outb(uint16_t address, uint8_t value) override;

private:
    static constexpr int firstFd = 100;
    static constexpr int gpioChipFd = 200;
    static constexpr int gpioLinesFd = 201;

    int gpioIoctl(int fd, unsigned long request, void* arg);
    int requestGpioLines(void* arg);
    void setGpioLevels(uint64_t mask, uint64_t values, const char* call);

    TrafficLog& log_;
    std::map<std::string, std::string> files_;
    std::map<int, Device> devices_; // by port number; descriptor firstFd + number
    std::set<uint16_t> granted_;
    std::map<uint16_t, uint8_t> io_;
    std::vector<GpioLine> gpioLines_;
    std::vector<uint32_t> requested_; // offsets in request order
    bool gpioChip_ = false;
};

// Passes every call on. A fault is a subclass that overrides one call.
class ForwardingSystem : public SystemIo
{
public:
    explicit ForwardingSystem(SystemIo& inner) : inner_(inner) {}
    std::optional<std::string> readFile(const std::string& path) override { return inner_.readFile(path); }
    std::vector<std::string> listDirectory(const std::string& path) override
    {
        return inner_.listDirectory(path);
    }
    int openDevice(const std::string& path) override { return inner_.openDevice(path); }
    int ioctl(int fd, unsigned long request, void* arg) override { return inner_.ioctl(fd, request, arg); }
    void closeDevice(int fd) override { inner_.closeDevice(fd); }
    bool hasPortInstructions() const override { return inner_.hasPortInstructions(); }
    int ioperm(uint16_t address) override { return inner_.ioperm(address); }
    uint8_t inb(uint16_t address) override { return inner_.inb(address); }
    void outb(uint16_t address, uint8_t value) override { inner_.outb(address, value); }

protected:
    SystemIo& inner_;
};

// The message of the Error that call() throws; "(nothing thrown)" if it returns.
template <typename Error, typename Call> std::string thrownMessage(Call call)
{
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}
