#include "hw/Backends.h"

#include "hw/DirectPort.h"
#include "hw/PortRules.h"
#include "hw/PpdevPort.h"

PortBackend openPortBackend(std::string_view kind, const std::vector<std::string>& allowIo, SystemIo& system)
{
    if (kind != "sim" && kind != "ppdev" && kind != "direct")
        throw StartupError("--port \"" + std::string(kind) + "\": choose sim, ppdev or direct");
    if (!allowIo.empty() && kind != "direct")
        throw StartupError("--allow-io needs --port direct");

    if (kind == "sim")
        return {};
    if (kind == "ppdev") {
        auto port = std::make_unique<PpdevPort>(system);
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
