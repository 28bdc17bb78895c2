#include "hw/Backends.h"

#include "hw/DirectPort.h"
#include "hw/GpioPort.h"
#include "hw/PortRules.h"
#include "hw/PpdevPort.h"

PortBackend openPortBackend(std::string_view kind, const std::vector<std::string>& allowIo, SystemIo& system,
                            const GpioTexts& gpio)
{
    if (kind != "sim" && kind != "ppdev" && kind != "direct" && kind != "gpio")
        throw StartupError("--port \"" + std::string(kind) + "\": choose sim, ppdev, direct or gpio");
    if (!allowIo.empty() && kind != "direct")
        throw StartupError("--allow-io needs --port direct");
    if (gpio.any() && kind != "gpio")
        throw StartupError("the --gpio-* options need --port gpio");

    if (kind == "sim")
        return {};
    if (kind == "ppdev") {
        auto port = std::make_unique<PpdevPort>(system);
        std::string summary = port->summary();
        return {std::move(port), std::move(summary)};
    }
    if (kind == "gpio") {
        auto port = std::make_unique<GpioPort>(system, parseGpioSettings(gpio));
        std::string summary = port->summary();
        return {std::move(port), std::move(summary)};
    }
    std::vector<IoRange> allowed;
    for (const std::string& text : allowIo)
        allowed.push_back(parseIoRange(text));
    auto port = std::make_unique<DirectPort>(system, allowed);
    std::string summary = port->summary();
    return {std::move(port), std::move(summary)};
}
