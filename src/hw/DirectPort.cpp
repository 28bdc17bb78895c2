#include "hw/DirectPort.h"

#include "hw/PortRules.h"
#include "text/WholeNumber.h"

#include <algorithm>
#include <cerrno>

namespace
{

// False unless the whole text is a number 0..65535 in the given base.
bool parseUint16(std::string_view text, int base, uint16_t& out)
{
    const std::optional<unsigned long> value = wholeNumber(text, 0xffff, base);
    if (value)
        out = static_cast<uint16_t>(*value);
    return value.has_value();
}

// One address of an --allow-io text: decimal, or hex after "0x".
bool parseAddress(std::string_view text, uint16_t& out)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return parseUint16(text.substr(2), 16, out);
    return parseUint16(text, 10, out);
}

std::string permissionFailure(uint16_t address, int error)
{
    std::string message = "no access to I/O address " + std::to_string(address) + ": " + errorText(error);
    if (error == -EPERM || error == -EACCES)
        message += " — --port direct needs root or CAP_SYS_RAWIO";
    return message;
}

} // namespace

IoRange parseIoRange(std::string_view text)
{
    IoRange range;
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos || !parseAddress(text.substr(0, dash), range.first) ||
        !parseAddress(text.substr(dash + 1), range.last))
        throw StartupError("--allow-io \"" + std::string(text) +
                           "\": give FIRST-LAST, each 0..65535 in decimal or 0x-hex, e.g. 0xd010-0xd012");
    if (range.first > range.last)
        throw StartupError("--allow-io \"" + std::string(text) + "\": FIRST is above LAST");
    return range;
}

std::vector<IoRange> parallelPortRanges(std::string_view ioports)
{
    std::vector<IoRange> ranges;
    while (!ioports.empty()) {
        const size_t end = ioports.find('\n');
        std::string_view line = ioports.substr(0, end);
        ioports.remove_prefix(end == std::string_view::npos ? ioports.size() : end + 1);

        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        const size_t dash = line.find('-');
        const size_t colon = line.find(" : ");
        IoRange range;
        if (dash == std::string_view::npos || colon == std::string_view::npos || dash > colon ||
            !parseUint16(line.substr(0, dash), 16, range.first) ||
            !parseUint16(line.substr(dash + 1, colon - dash - 1), 16, range.last))
            continue;
        const std::string_view owner = line.substr(colon + 3);
        if (owner.substr(0, 7) == "parport" && range.last != 0 && range.first <= range.last)
            ranges.push_back(range);
    }
    return ranges;
}

DirectPort::DirectPort(SystemIo& system, const std::vector<IoRange>& allowed) : system_(system)
{
    if (!system.hasPortInstructions())
        throw StartupError("--port direct needs an x86 PC; use --port ppdev");
    ranges_ = parallelPortRanges(system.readFile("/proc/ioports").value_or(std::string()));
    ranges_.insert(ranges_.end(), allowed.begin(), allowed.end());
    if (ranges_.empty())
        throw StartupError("no I/O address to use: /proc/ioports shows no parallel port — name the card's "
                           "addresses with --allow-io FIRST-LAST");
    // Asking for the first address now makes a missing privilege a start-up failure.
    if (const int error = grant(ranges_.front().first); error < 0)
        throw StartupError(permissionFailure(ranges_.front().first, error));
}

bool DirectPort::permitted(uint16_t address) const
{
    for (const IoRange& range : ranges_)
        if (range.contains(address))
            return true;
    return false;
}

int DirectPort::grant(uint16_t address)
{
    if (granted_[address])
        return 0;
    const int error = system_.ioperm(address);
    if (error == 0)
        granted_[address] = true;
    return error;
}

void DirectPort::grantOrThrow(uint16_t address)
{
    if (const int error = grant(address); error < 0)
        throw std::runtime_error(permissionFailure(address, error));
}

void DirectPort::checkAccess(int16_t address, bool) const
{
    const auto a = static_cast<uint16_t>(address);
    if (!permitted(a))
        absentOrRefuse(a);
}

std::string DirectPort::refusal(uint16_t address) const
{
    return "no parallel port at " + std::to_string(address) + " (direct I/O reaches " + ranges() +
           "); name other cards with --allow-io";
}

int16_t DirectPort::Inp32(int16_t address)
{
    const auto a = static_cast<uint16_t>(address);
    if (!permitted(a)) {
        absentOrRefuse(a);
        return absentReading;
    }
    grantOrThrow(a);
    return system_.inb(a);
}

void DirectPort::Out32(int16_t address, int16_t value)
{
    const auto a = static_cast<uint16_t>(address);
    if (!permitted(a)) {
        absentOrRefuse(a);
        return;
    }
    grantOrThrow(a);
    system_.outb(a, static_cast<uint8_t>(value & 0xff));
}

std::string DirectPort::ranges() const
{
    std::string text;
    for (const IoRange& range : ranges_)
        text += (text.empty() ? "" : ", ") + std::to_string(range.first) + "-" + std::to_string(range.last);
    return text;
}

std::string DirectPort::summary() const
{
    return "direct I/O at " + ranges();
}
