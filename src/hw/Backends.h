#pragma once
// The port backend the command line asks for: --port sim|ppdev|direct|gpio,
// the --allow-io ranges of direct I/O and the --gpio-* options.

#include "hw/GpioSettings.h"
#include "hw/PortRules.h"
#include "hw/SystemIo.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct PortBackend {
    std::unique_ptr<HardwarePort> port; // null for "sim"
    std::string summary;          // which hardware it drives, for one line at start-up
};

// kind: "sim", "ppdev", "direct" or "gpio"; allowIo: the texts of --allow-io,
// which only direct I/O takes; gpio: the texts of the --gpio-* options, which
// only gpio takes. "sim" gives no port: the caller keeps its simulated one.
// Opens the hardware but writes nothing (gpio sets its lines at rest). Throws
// StartupError with a one-line message that says what to do. The system layer
// must outlive the port.
PortBackend openPortBackend(std::string_view kind, const std::vector<std::string>& allowIo, SystemIo& system,
                            const GpioTexts& gpio = {});
