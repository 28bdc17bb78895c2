#pragma once
// The few kernel services the hardware port backends use, behind one small
// interface so that the backends can be run on a machine without a parallel
// port. Calls report failure as a negative errno value instead of setting errno.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class SystemIo
{
public:
    virtual ~SystemIo() = default;

    // The whole contents of a (/proc) file; nullopt when it cannot be read.
    virtual std::optional<std::string> readFile(const std::string& path) = 0;
    // The names in a directory, in no particular order; empty when there is none.
    virtual std::vector<std::string> listDirectory(const std::string& path) = 0;

    // open(2) read-write: a descriptor, or -errno.
    virtual int openDevice(const std::string& path) = 0;
    // ioctl(2): 0 (or the call's non-negative result), or -errno.
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void closeDevice(int fd) = 0;

    // Whether ioperm/inb/outb exist on this machine (x86 only).
    virtual bool hasPortInstructions() const = 0;
    // ioperm(2) for one address: 0 or -errno. inb/outb need it granted first.
    virtual int ioperm(uint16_t address) = 0;
    virtual uint8_t inb(uint16_t address) = 0;
    virtual void outb(uint16_t address, uint8_t value) = 0;
};
