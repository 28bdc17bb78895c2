#include "hw/GpioPort.h"

#include "hw/PortRules.h"
#include "text/WholeNumber.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <linux/gpio.h>

namespace
{

// "gpiochip0" and "0" name /dev/gpiochip0; a path is taken as it is.
std::string chipPath(const std::string& chip)
{
    if (chip.front() == '/')
        return chip;
    if (chip.find_first_not_of("0123456789") == std::string::npos)
        return "/dev/gpiochip" + chip;
    return "/dev/" + chip;
}

std::optional<uint32_t> offsetText(const std::string& text)
{
    if (const std::optional<unsigned long> value = wholeNumber(text, UINT32_MAX))
        return static_cast<uint32_t>(*value);
    return std::nullopt;
}

std::string openFailure(const std::string& path, int error)
{
    if (error == -ENOENT || error == -ENODEV)
        return "no GPIO chip " + path + " — list the chips with gpioinfo (package gpiod)";
    std::string message = "cannot open " + path + ": " + errorText(error);
    if (error == -EACCES || error == -EPERM)
        message +=
            " — add yourself to group gpio (sudo adduser $USER gpio) and log in again, or give a group "
            "the chip with a udev rule (see the README)";
    return message;
}

std::string kernelFailure(const std::string& what, int error)
{
    if (error == -ENOTTY || error == -EINVAL)
        return what + ": " + errorText(error) + " — the GPIO character device v2 needs Linux 5.10 or later";
    return what + ": " + errorText(error);
}

template <size_t N> std::string fieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

} // namespace

GpioPort::GpioPort(SystemIo& system, const GpioSettings& settings)
    : system_(system), drive_(settings.openDrain ? "open-drain" : "push-pull"), map_(settings.base)
{
    const std::string path = chipPath(settings.chip);
    const int chipFd = system.openDevice(path);
    if (chipFd < 0)
        throw StartupError(openFailure(path, chipFd));
    try {
        gpiochip_info info{};
        if (const int error = system.ioctl(chipFd, GPIO_GET_CHIPINFO_IOCTL, &info); error < 0)
            throw StartupError(path + " is no GPIO chip: " + errorText(error));
        chipName_ = fieldText(info.name);
        for (size_t i = 0; i < offsets_.size(); ++i)
            offsets_[i] = findLine(chipFd, settings.lines[i], info.lines);
        for (size_t i = 1; i < offsets_.size(); ++i)
            if (std::find(offsets_.begin(), offsets_.begin() + i, offsets_[i]) != offsets_.begin() + i)
                throw StartupError("--gpio-lines: line " + std::to_string(offsets_[i]) + " of " + chipName_ +
                                   " is given twice; the rig needs four lines");
        map_.rest();
        request(chipFd, settings);
    } catch (...) {
        system.closeDevice(chipFd);
        throw;
    }
    // The lines stay requested through their own descriptor.
    system.closeDevice(chipFd);
}

GpioPort::~GpioPort()
{
    system_.closeDevice(linesFd_);
}

uint32_t GpioPort::findLine(int chipFd, const std::string& text, uint32_t lineCount)
{
    if (const std::optional<uint32_t> offset = offsetText(text)) {
        if (*offset >= lineCount)
            throw StartupError("--gpio-lines: " + chipName_ + " has no line " + text + " (its lines are 0.." +
                               std::to_string(lineCount - 1) + ")");
        return *offset;
    }
    for (uint32_t offset = 0; offset < lineCount; ++offset) {
        gpio_v2_line_info info{};
        info.offset = offset;
        if (const int error = system_.ioctl(chipFd, GPIO_V2_GET_LINEINFO_IOCTL, &info); error < 0)
            throw StartupError(kernelFailure("cannot read the lines of " + chipName_, error));
        if (fieldText(info.name) == text)
            return offset;
    }
    throw StartupError("--gpio-lines: " + chipName_ + " has no line named \"" + text +
                       "\" — list its lines with gpioinfo " + chipName_);
}

void GpioPort::request(int chipFd, const GpioSettings& settings)
{
    gpio_v2_line_request req{};
    std::copy(offsets_.begin(), offsets_.end(), req.offsets);
    req.num_lines = offsets_.size();
    std::strncpy(req.consumer, "corvane", sizeof req.consumer - 1);
    const uint64_t output =
        GPIO_V2_LINE_FLAG_OUTPUT | (settings.openDrain ? GPIO_V2_LINE_FLAG_OPEN_DRAIN : 0);
    req.config.flags = output;
    // Bit i of an attribute's mask is line i of the request: A, B, key, RIT,
    // the same order as the lines:: bits.
    gpio_v2_line_config_attribute& values = req.config.attrs[req.config.num_attrs++];
    values.attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
    values.attr.values = map_.levels();
    values.mask = lines::all;
    if (settings.activeLow) {
        gpio_v2_line_config_attribute& inverted = req.config.attrs[req.config.num_attrs++];
        inverted.attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
        inverted.attr.flags = output | GPIO_V2_LINE_FLAG_ACTIVE_LOW;
        inverted.mask = settings.activeLow;
    }
    if (const int error = system_.ioctl(chipFd, GPIO_V2_GET_LINE_IOCTL, &req); error < 0) {
        if (error == -EBUSY)
            throw StartupError(busyLine(chipFd));
        throw StartupError(kernelFailure("cannot request the lines of " + chipName_, error));
    }
    linesFd_ = req.fd;
}

std::string GpioPort::busyLine(int chipFd)
{
    for (const uint32_t offset : offsets_) {
        gpio_v2_line_info info{};
        info.offset = offset;
        if (system_.ioctl(chipFd, GPIO_V2_GET_LINEINFO_IOCTL, &info) == 0 &&
            (info.flags & GPIO_V2_LINE_FLAG_USED)) {
            const std::string consumer = fieldText(info.consumer);
            return "line " + std::to_string(offset) + " of " + chipName_ + " is in use" +
                   (consumer.empty() ? std::string() : " by \"" + consumer + "\"") +
                   " — stop that program or free the line (a device-tree overlay), or choose another line";
        }
    }
    return "cannot request the lines of " + chipName_ + ": " + errorText(-EBUSY);
}

void GpioPort::setLines(const lines::Drive& drive)
{
    gpio_v2_line_values values{};
    values.mask = drive.lines;
    values.bits = drive.high;
    if (const int error = system_.ioctl(linesFd_, GPIO_V2_LINE_SET_VALUES_IOCTL, &values); error < 0)
        throw std::runtime_error("GPIO lines of " + chipName_ + ": " + errorText(error));
}

std::string GpioPort::refusal(uint16_t address) const
{
    return "no port at " + std::to_string(address) + "; the GPIO lines answer at " +
           std::to_string(map_.base()) + " (--gpio-base)";
}

std::optional<unsigned> GpioPort::route(uint16_t address, bool write) const
{
    return registerFor(map_, address, write, "port");
}

void GpioPort::checkAccess(int16_t address, bool write) const
{
    route(static_cast<uint16_t>(address), write);
}

int16_t GpioPort::Inp32(int16_t address)
{
    const std::optional<unsigned> reg = route(static_cast<uint16_t>(address), false);
    return reg ? map_.read(*reg) : absentReading;
}

void GpioPort::Out32(int16_t address, int16_t value)
{
    const std::optional<unsigned> reg = route(static_cast<uint16_t>(address), true);
    if (!reg)
        return;
    // The registers change only once the lines have.
    LineMap next = map_;
    setLines(next.write(*reg, static_cast<uint8_t>(value & 0xff)));
    map_ = next;
}

std::string GpioPort::summary() const
{
    std::string text = "GPIO: " + chipName_ + " lines";
    for (const uint32_t& offset : offsets_)
        text += (&offset == &offsets_.front() ? " " : ", ") + std::to_string(offset);
    return text + " (encoder A, B, key, RIT), " + drive_ + ", at port " + std::to_string(map_.base());
}
