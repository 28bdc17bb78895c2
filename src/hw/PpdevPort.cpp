#include "hw/PpdevPort.h"

#include "hw/PortRules.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

#include <linux/ppdev.h>
#include <sys/ioctl.h>

namespace
{

const std::string parportDirectory = "/proc/sys/dev/parport";

struct Listed {
    int number;
    uint16_t base;
};

// "parport3" -> 3; anything else (the "default" entry) -> nullopt.
std::optional<int> portNumber(const std::string& name)
{
    constexpr std::string_view prefix = "parport";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int number = 0;
    const char* last = name.data() + name.size();
    auto [ptr, ec] = std::from_chars(name.data() + prefix.size(), last, number);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    return number;
}

// base-addr holds "<base>\t<ECP base>"; only the first counts.
std::optional<uint16_t> baseAddress(const std::string& text)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    while (first != last && (*first == ' ' || *first == '\t'))
        ++first;
    unsigned long base = 0;
    auto [ptr, ec] = std::from_chars(first, last, base);
    if (ec != std::errc() || ptr == first || base > 0xffff)
        return std::nullopt;
    return static_cast<uint16_t>(base);
}

// Ports whose base does not fit a 16-bit address cannot be named in the Port
// box and are left alone.
std::vector<Listed> listedPorts(SystemIo& system)
{
    std::vector<Listed> ports;
    for (const std::string& name : system.listDirectory(parportDirectory)) {
        const std::optional<int> number = portNumber(name);
        if (!number)
            continue;
        const std::string file = parportDirectory + "/" + name + "/base-addr";
        const std::optional<std::string> text = system.readFile(file);
        if (!text)
            throw StartupError("cannot read " + file);
        if (const std::optional<uint16_t> base = baseAddress(*text))
            ports.push_back({*number, *base});
    }
    std::sort(ports.begin(), ports.end(),
              [](const Listed& a, const Listed& b) { return a.number < b.number; });
    return ports;
}

std::string openFailure(const std::string& path, int error)
{
    std::string message = "cannot open " + path + ": " + errorText(error);
    if (error == -EACCES || error == -EPERM)
        return message + " — add yourself to group lp (sudo adduser $USER lp) and log in again";
    if (error == -ENOENT || error == -ENODEV || error == -ENXIO)
        return message + " — load the driver (sudo modprobe ppdev)";
    return message;
}

} // namespace

PpdevPort::PpdevPort(SystemIo& system) : system_(system)
{
    const std::vector<Listed> ports = listedPorts(system);
    if (ports.empty())
        throw StartupError("no parallel port: " + parportDirectory +
                           " lists none — load the drivers (sudo modprobe parport_pc ppdev), or use "
                           "--port direct for other cards");
    try {
        for (const Listed& port : ports)
            claim(port.number, port.base);
    } catch (...) {
        releaseAll();
        throw;
    }
}

PpdevPort::~PpdevPort()
{
    releaseAll();
}

void PpdevPort::claim(int number, uint16_t base)
{
    const std::string path = "/dev/parport" + std::to_string(number);
    const int fd = system_.openDevice(path);
    if (fd < 0)
        throw StartupError(openFailure(path, fd));
    if (const int error = system_.ioctl(fd, PPCLAIM, nullptr); error < 0) {
        system_.closeDevice(fd);
        throw StartupError("cannot claim " + path + ": " + errorText(error));
    }
    devices_.push_back({base, path, fd});
    // A port left in reverse mode by its last user would not drive the encoder lines.
    int forward = 0;
    if (const int error = system_.ioctl(fd, PPDATADIR, &forward); error < 0)
        throw StartupError("cannot set the data lines of " + path + " to output: " + errorText(error));
}

void PpdevPort::releaseAll()
{
    for (const Device& device : devices_) {
        system_.ioctl(device.fd, PPRELEASE, nullptr);
        system_.closeDevice(device.fd);
    }
    devices_.clear();
}

const PpdevPort::Device* PpdevPort::deviceAt(uint16_t address) const
{
    for (const Device& device : devices_)
        if (address >= device.base && address - device.base <= 2)
            return &device;
    return nullptr;
}

void PpdevPort::call(const Device& device, unsigned long request, void* arg)
{
    if (const int error = system_.ioctl(device.fd, request, arg); error < 0)
        throw std::runtime_error("parallel port at " + std::to_string(device.base) + " (" + device.path +
                                 "): " + errorText(error));
}

const PpdevPort::Device* PpdevPort::route(uint16_t address, bool write) const
{
    const Device* device = deviceAt(address);
    if (!device) {
        absentOrRefuse(address);
        return nullptr;
    }
    if (write && address - device->base == 1)
        throw statusRefused(address, device->base, "parallel port");
    return device;
}

void PpdevPort::checkAccess(int16_t address, bool write) const
{
    route(static_cast<uint16_t>(address), write);
}

std::string PpdevPort::refusal(uint16_t address) const
{
    std::string ports;
    for (const Device& device : devices_)
        ports += (ports.empty() ? "" : ", ") + std::to_string(device.base);
    return "no parallel port at " + std::to_string(address) + " (this PC has " + ports +
           "); other cards need --port direct";
}

int16_t PpdevPort::Inp32(int16_t address)
{
    const auto a = static_cast<uint16_t>(address);
    const Device* device = route(a, false);
    if (!device)
        return absentReading;
    static constexpr unsigned long reads[] = {PPRDATA, PPRSTATUS, PPRCONTROL};
    unsigned char value = 0;
    call(*device, reads[a - device->base], &value);
    return value;
}

void PpdevPort::Out32(int16_t address, int16_t value)
{
    const auto a = static_cast<uint16_t>(address);
    const Device* device = route(a, true);
    if (!device)
        return;
    const int offset = a - device->base;
    auto byte = static_cast<unsigned char>(value & (offset == 0 ? 0xff : 0x0f));
    call(*device, offset == 0 ? PPWDATA : PPWCONTROL, &byte);
}

std::string PpdevPort::summary() const
{
    std::string text = "ppdev:";
    for (const Device& device : devices_)
        text += (&device == &devices_.front() ? " " : ", ") + std::string("parallel port at ") +
                std::to_string(device.base) + " (" + device.path + ")";
    return text;
}
