#pragma once
// The real kernel services behind SystemIo. Port instructions exist on x86
// only; elsewhere ioperm fails with ENOSYS and the program offers no direct I/O.

#include "hw/SystemIo.h"

class LinuxSystem : public SystemIo
{
public:
#if defined(__x86_64__) || defined(__i386__)
    static constexpr bool portInstructions = true;
#else
    static constexpr bool portInstructions = false;
#endif

    std::optional<std::string> readFile(const std::string& path) override;
    std::vector<std::string> listDirectory(const std::string& path) override;
    int openDevice(const std::string& path) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    void closeDevice(int fd) override;
    bool hasPortInstructions() const override
    {
        return portInstructions;
    }
    int ioperm(uint16_t address) override;
    uint8_t inb(uint16_t address) override;
    void outb(uint16_t address, uint8_t value) override;
};
