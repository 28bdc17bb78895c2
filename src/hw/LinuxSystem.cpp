#include "hw/LinuxSystem.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

std::optional<std::string> LinuxSystem::readFile(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> LinuxSystem::listDirectory(const std::string& path)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(path, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

int LinuxSystem::openDevice(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

int LinuxSystem::ioctl(int fd, unsigned long request, void* arg)
{
    const int result = ::ioctl(fd, request, arg);
    return result >= 0 ? result : -errno;
}

void LinuxSystem::closeDevice(int fd)
{
    ::close(fd);
}

#if defined(__x86_64__) || defined(__i386__)
int LinuxSystem::ioperm(uint16_t address)
{
    return ::ioperm(address, 1, 1) == 0 ? 0 : -errno;
}
uint8_t LinuxSystem::inb(uint16_t address)
{
    return ::inb(address);
}
void LinuxSystem::outb(uint16_t address, uint8_t value)
{
    ::outb(value, address);
}
#else
int LinuxSystem::ioperm(uint16_t)
{
    return -ENOSYS;
}
uint8_t LinuxSystem::inb(uint16_t)
{
    return 255;
}
void LinuxSystem::outb(uint16_t, uint8_t) {}
#endif
