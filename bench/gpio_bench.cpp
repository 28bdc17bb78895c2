#include "gpio_bench.h"

#include "hw/GpioPort.h"
#include "hw/LinuxSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <vector>

using namespace std::chrono;

namespace
{

const char* const names[] = {"port", "gpio-chip", "gpio-lines", "gpio-active-low", "gpio-drive", "gpio-base"};

std::optional<std::string> value(const QCommandLineParser& parser, const char* name)
{
    const QString key = QLatin1String(name);
    return parser.isSet(key) ? std::optional(parser.value(key).toStdString()) : std::nullopt;
}

} // namespace

void addGpioOptions(QCommandLineParser& parser)
{
    for (const char* name : names)
        parser.addOption({QLatin1String(name),
                          QStringLiteral("As corvane's --%1: time set-values calls on a real GPIO chip.")
                              .arg(QLatin1String(name)),
                          QStringLiteral("value")});
}

void gpioSection(const QCommandLineParser& parser)
{
    if (value(parser, "port") != "gpio") {
        std::printf(
            "GPIO: no chip given (--port gpio --gpio-chip CHIP --gpio-lines A,B,KEY,RIT); not measured\n\n");
        return;
    }
    LinuxSystem system;
    try {
        GpioPort port(system, parseGpioSettings({value(parser, "gpio-chip"), value(parser, "gpio-lines"),
                                                 value(parser, "gpio-active-low"),
                                                 value(parser, "gpio-drive"), value(parser, "gpio-base")}));
        const auto base = static_cast<int16_t>(std::stoi(value(parser, "gpio-base").value_or("888")));
        std::vector<double> micros;
        for (int i = 0; i < 20000; ++i) {
            const auto start = steady_clock::now();
            port.Out32(base, i % 2 ? 255 : 243); // both encoder lines in one call
            micros.push_back(duration<double, std::micro>(steady_clock::now() - start).count());
        }
        port.Out32(base, 255);
        std::sort(micros.begin(), micros.end());
        std::printf("%s\n| set-values call | count | median µs | p99 µs | max µs |\n|---|---|---|---|---|\n",
                    port.summary().c_str());
        std::printf("| both encoder lines | %zu | %.2f | %.2f | %.2f |\n\n", micros.size(),
                    micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
    } catch (const std::exception& e) {
        std::printf("GPIO: %s; not measured\n\n", e.what());
    }
}
