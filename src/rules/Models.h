#pragma once
// The KRV models the panel knows, in the order of its list: the one table the
// panel's list and presets, the simulated rig, the command line and the remote
// peer all read. Frequencies in kHz. Free of Qt.
//
// Each model is a single-band rig that the operator puts on its QRP frequency
// before choosing it in the list: that is where the record starts, and where
// the simulated rig of that model starts. The presets fill "Freq entry"; CHU
// and WWV lie 0.8 kHz above the whole-kHz station frequencies on the two lower
// bands and 0.8 kHz below them on the two upper ones. "E" accepts
// entryLowKhz..entryHighKhz on every model.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace rules
{

// The range "E" accepts, kHz: the leading number of an entry must lie in it,
// and so must the entry once a model is chosen.
inline constexpr int16_t entryLowKhz = 540;
inline constexpr int16_t entryHighKhz = 25000;

struct Model {
    std::string_view name; // as the list shows it: "KRV-40"
    int16_t qrpKhz;        // both displays on choosing, and the QRP preset
    double w1awKhz, chuKhz, wwvKhz;
    int16_t lowKhz = entryLowKhz; // what "E" accepts with this model chosen
    int16_t highKhz = entryHighKhz;

    constexpr int32_t qrpHz() const { return int32_t{qrpKhz} * 1000; }
};

inline constexpr std::array<Model, 4> models{{
    {"KRV-80", 3560, 3581.5, 3330.8, 5000.8},
    {"KRV-40", 7040, 7047.5, 7335.8, 10000.8},
    {"KRV-30", 10110, 7047.5, 7334.2, 9999.2}, // the KRV-40's W1AW
    {"KRV-20", 14060, 14047.5, 14669.2, 14999.2},
}};

// The model of that exact name, or null.
constexpr const Model* findModel(std::string_view name)
{
    for (const Model& m : models)
        if (m.name == name)
            return &m;
    return nullptr;
}

// The names for a message or a help text: "KRV-80, KRV-40, KRV-30" followed
// by `last` and "KRV-20".
inline std::string modelNames(std::string_view last = ", ")
{
    std::string names;
    for (const Model& m : models) {
        if (!names.empty())
            names += &m == &models.back() ? last : ", ";
        names += m.name;
    }
    return names;
}

} // namespace rules
