#pragma once
// The GPIO backend's options, from their command-line texts to checked values.

#include "rules/StandardPort.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The texts as given; an option not given is nullopt.
struct GpioTexts {
    std::optional<std::string> chip;      // --gpio-chip
    std::optional<std::string> lines;     // --gpio-lines A,B,KEY,RIT
    std::optional<std::string> activeLow; // --gpio-active-low a,b,key,rit
    std::optional<std::string> drive;     // --gpio-drive push-pull|open-drain
    std::optional<std::string> base;      // --gpio-base
    bool any() const { return chip || lines || activeLow || drive || base; }
};

struct GpioSettings {
    std::string chip;                 // "gpiochip0", "0" or a path such as "/dev/gpiochip0"
    std::array<std::string, 4> lines; // encoder A, encoder B, key, RIT: offset or line name
    unsigned activeLow = 0;           // the lines (lines:: mask) wired through an inverting stage
    bool openDrain = false;
    uint16_t base = rules::defaultBase; // the port address the lines answer at, 0..65535
};

// Throws StartupError naming the option and its text when a text is malformed
// or --gpio-chip or --gpio-lines is missing.
GpioSettings parseGpioSettings(const GpioTexts& texts);
