#include "support/FakeSystem.h"

#include <cerrno>
#include <cstring>

#include <linux/gpio.h>

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
    if (gpioChip_ && path == "/dev/gpiochip0") {
        log_.push_back("open " + path);
        return gpioChipFd;
    }
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
    if (fd == gpioChipFd || fd == gpioLinesFd)
        return gpioIoctl(fd, request, arg);
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
    if (fd == gpioChipFd) {
        log_.push_back("close /dev/gpiochip0");
        return;
    }
    if (fd == gpioLinesFd) {
        for (const uint32_t offset : requested_)
            gpioLines_[offset] = GpioLine{gpioLines_[offset].name, {}, 0, -1};
        requested_.clear();
        log_.push_back("gpio release");
        return;
    }
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

void FakeSystem::addGpioChip(std::vector<std::string> lineNames)
{
    gpioChip_ = true;
    for (std::string& name : lineNames)
        gpioLines_.push_back(GpioLine{std::move(name), {}, 0, -1});
}

int FakeSystem::gpioIoctl(int fd, unsigned long request, void* arg)
{
    if (fd == gpioLinesFd) {
        if (request != GPIO_V2_LINE_SET_VALUES_IOCTL || requested_.empty())
            return -EINVAL;
        const auto* values = static_cast<gpio_v2_line_values*>(arg);
        setGpioLevels(values->mask, values->bits, "set");
        return 0;
    }
    if (request == GPIO_GET_CHIPINFO_IOCTL) {
        auto* info = static_cast<gpiochip_info*>(arg);
        std::strcpy(info->name, "gpiochip0");
        std::strcpy(info->label, "fake");
        info->lines = static_cast<uint32_t>(gpioLines_.size());
        return 0;
    }
    if (request == GPIO_V2_GET_LINEINFO_IOCTL) {
        auto* info = static_cast<gpio_v2_line_info*>(arg);
        if (info->offset >= gpioLines_.size())
            return -EINVAL;
        const GpioLine& line = gpioLines_[info->offset];
        std::strncpy(info->name, line.name.c_str(), sizeof info->name - 1);
        std::strncpy(info->consumer, line.consumer.c_str(), sizeof info->consumer - 1);
        info->flags = line.consumer.empty() ? uint64_t{GPIO_V2_LINE_FLAG_INPUT} : line.flags | GPIO_V2_LINE_FLAG_USED;
        return 0;
    }
    if (request == GPIO_V2_GET_LINE_IOCTL)
        return requestGpioLines(arg);
    return -ENOTTY;
}

int FakeSystem::requestGpioLines(void* arg)
{
    auto* req = static_cast<gpio_v2_line_request*>(arg);
    if (req->num_lines == 0 || req->num_lines > GPIO_V2_LINES_MAX)
        return -EINVAL;
    for (uint32_t i = 0; i < req->num_lines; ++i) {
        if (req->offsets[i] >= gpioLines_.size())
            return -EINVAL;
        if (!gpioLines_[req->offsets[i]].consumer.empty())
            return -EBUSY;
    }
    uint64_t values = 0;
    uint64_t valueMask = 0;
    for (uint32_t i = 0; i < req->num_lines; ++i) {
        GpioLine& line = gpioLines_[req->offsets[i]];
        line.consumer = req->consumer;
        line.flags = req->config.flags;
        for (uint32_t a = 0; a < req->config.num_attrs; ++a) {
            const gpio_v2_line_config_attribute& attr = req->config.attrs[a];
            if (!(attr.mask & (1ull << i)))
                continue;
            if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS)
                line.flags = attr.attr.flags;
            if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES) {
                valueMask |= 1ull << i;
                values |= attr.attr.values & (1ull << i);
            }
        }
        requested_.push_back(req->offsets[i]);
    }
    // An output given no value starts inactive, as the kernel does.
    setGpioLevels((1ull << req->num_lines) - 1, values & valueMask, "request");
    req->fd = gpioLinesFd;
    return 0;
}

void FakeSystem::setGpioLevels(uint64_t mask, uint64_t values, const char* call)
{
    std::vector<std::pair<uint32_t, bool>> levels;
    std::string entry = std::string("gpio ") + call;
    for (size_t i = 0; i < requested_.size(); ++i) {
        if (!(mask & (1ull << i)))
            continue;
        GpioLine& line = gpioLines_[requested_[i]];
        if (!(line.flags & GPIO_V2_LINE_FLAG_OUTPUT))
            continue;
        const bool active = values & (1ull << i);
        line.level = active != bool(line.flags & GPIO_V2_LINE_FLAG_ACTIVE_LOW);
        levels.emplace_back(requested_[i], line.level == 1);
        // Piece by piece, for GCC 12's -Wrestrict at -O2 (see above).
        entry += ' ';
        entry += std::to_string(requested_[i]);
        entry += '=';
        entry += std::to_string(line.level);
    }
    if (std::string(call) == "request" && !requested_.empty())
        entry.append(" by ").append(gpioLines_[requested_.front()].consumer);
    if (logGpioSets || std::string(call) != "set")
        log_.push_back(entry);
    if (onGpioLevels)
        onGpioLevels(levels);
}
