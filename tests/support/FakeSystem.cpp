#include "support/FakeSystem.h"

#include <cerrno>

#include <linux/ppdev.h>
#include <sys/ioctl.h>

namespace
{
const std::string parportDirectory = "/proc/sys/dev/parport/";
const std::string devicePrefix = "/dev/parport";
} // namespace

void FakeSystem::addParport(int number, uint16_t base)
{
    const std::string name = "parport" + std::to_string(number);
    // The kernel writes the base and the ECP base, tab-separated.
    addFile(parportDirectory + name + "/base-addr",
            std::to_string(base) + "\t" + std::to_string(base + 0x400) + "\n");
    devices_[number] = Device{};
}

int FakeSystem::io(uint16_t address) const
{
    auto it = io_.find(address);
    return it == io_.end() ? 255 : it->second;
}

std::optional<std::string> FakeSystem::readFile(const std::string& path)
{
    auto it = files_.find(path);
    if (it == files_.end())
        return std::nullopt;
    return it->second;
}

std::vector<std::string> FakeSystem::listDirectory(const std::string& path)
{
    const std::string prefix = path + "/";
    std::set<std::string> names;
    for (const auto& [file, contents] : files_)
        if (file.compare(0, prefix.size(), prefix) == 0)
            names.insert(file.substr(prefix.size(), file.find('/', prefix.size()) - prefix.size()));
    return {names.begin(), names.end()};
}

int FakeSystem::openDevice(const std::string& path)
{
    if (path.compare(0, devicePrefix.size(), devicePrefix) != 0)
        return -ENOENT;
    auto it = devices_.find(std::stoi(path.substr(devicePrefix.size())));
    if (it == devices_.end())
        return -ENOENT;
    it->second.open = true;
    log_.push_back("open " + path);
    return firstFd + it->first;
}

int FakeSystem::ioctl(int fd, unsigned long request, void* arg)
{
    auto it = devices_.find(fd - firstFd);
    if (it == devices_.end() || !it->second.open)
        return -EBADF;
    Device& d = it->second;
    // Appended piece by piece: GCC 12 at -O2 takes `" " + std::to_string(value)`
    // for an overlapping copy (-Wrestrict).
    auto record = [&](const char* call, int value) {
        std::string line = "parport" + std::to_string(it->first) + " " + call;
        if (value >= 0)
            line.append(" ").append(std::to_string(value));
        log_.push_back(std::move(line));
        return 0;
    };
    auto byte = static_cast<unsigned char*>(arg);
    if (request == PPCLAIM || request == PPRELEASE) {
        d.claimed = request == PPCLAIM;
        return record(d.claimed ? "PPCLAIM" : "PPRELEASE", -1);
    }
    if (!d.claimed)
        return -EINVAL;
    if (request == PPDATADIR) {
        d.reversed = *static_cast<int*>(arg) != 0;
        return record("PPDATADIR", *static_cast<int*>(arg));
    }
    if (request == PPWCONTROL) {
        // As the PC driver does: bit 5 turns the data lines around, bits 4..7 are not kept.
        d.reversed = d.reversed || (*byte & 0x20);
        d.control = *byte & 0x0f;
        return record("PPWCONTROL", *byte);
    }
    if (request == PPWDATA) {
        d.data = *byte;
        return record("PPWDATA", *byte);
    }
    const std::pair<unsigned long, std::pair<const char*, uint8_t Device::*>> reads[] = {
        {PPRDATA, {"PPRDATA", &Device::data}},
        {PPRCONTROL, {"PPRCONTROL", &Device::control}},
        {PPRSTATUS, {"PPRSTATUS", &Device::status}},
    };
    for (const auto& [code, read] : reads)
        if (request == code) {
            *byte = d.*read.second;
            return record(read.first, *byte);
        }
    return -ENOTTY;
}

void FakeSystem::closeDevice(int fd)
{
    auto it = devices_.find(fd - firstFd);
    if (it == devices_.end())
        return;
    it->second.open = false;
    it->second.claimed = false;
    log_.push_back("close " + devicePrefix + std::to_string(it->first));
}

int FakeSystem::ioperm(uint16_t address)
{
    if (!portInstructions)
        return -ENOSYS;
    granted_.insert(address);
    log_.push_back("ioperm " + std::to_string(address));
    return 0;
}

uint8_t FakeSystem::inb(uint16_t address)
{
    if (!granted_.count(address))
        ++unguardedAccesses;
    const auto value = static_cast<uint8_t>(io(address));
    log_.push_back("inb " + std::to_string(address) + " " + std::to_string(value));
    return value;
}

void FakeSystem::outb(uint16_t address, uint8_t value)
{
    if (!granted_.count(address))
        ++unguardedAccesses;
    io_[address] = value;
    log_.push_back("outb " + std::to_string(address) + " " + std::to_string(value));
}
