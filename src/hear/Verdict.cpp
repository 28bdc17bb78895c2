#include "hear/Verdict.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace hear
{

namespace
{

struct Figure {
    int64_t hz = 0;      // as heard, without the left-out digits
    int64_t modulus = 0; // Hz the heard digits repeat after
    int decimals = 0;
};

std::optional<Figure> figure(const std::string& text)
{
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string part = point == std::string::npos ? std::string() : text.substr(point + 1);
    const auto digits = [](const std::string& s) {
        return s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (whole.empty() || whole.size() > 6 || !digits(whole) || !digits(part) || part.size() > 3)
        return std::nullopt;
    if (point != std::string::npos && part.empty())
        return std::nullopt;
    Figure f;
    f.decimals = static_cast<int>(part.size());
    int64_t fraction = part.empty() ? 0 : std::stoll(part);
    for (int i = f.decimals; i < 3; ++i)
        fraction *= 10;
    f.hz = std::stoll(whole) * 1000 + fraction;
    f.modulus = 1000;
    for (size_t i = 0; i < whole.size(); ++i)
        f.modulus *= 10;
    return f;
}

} // namespace

Verdict reconcile(const std::string& heard, double confidence, int64_t recordHz)
{
    Verdict v;
    v.heard = heard;
    if (heard.empty())
        return v;
    const std::optional<Figure> f = figure(heard);
    if (confidence < trusted || !f) {
        v.finding = Finding::NotAFrequency;
        return v;
    }
    // The left-out digits: of the frequencies that end as heard, the one nearest the record.
    int64_t rig = recordHz - recordHz % f->modulus + f->hz;
    for (const int64_t other : {rig - f->modulus, rig + f->modulus})
        if (other >= 0 && std::llabs(other - recordHz) < std::llabs(rig - recordHz))
            rig = other;
    int64_t unit = 1;
    for (int i = f->decimals; i < 3; ++i)
        unit *= 10;
    v.rigHz = rig;
    v.decimals = f->decimals;
    v.apartHz = rig - recordHz;
    v.finding = std::llabs(v.apartHz) <= unit ? Finding::Agrees : Finding::Differs;
    return v;
}

std::string kHzText(int64_t hz, int decimals)
{
    int64_t scale = 1;
    for (int i = decimals; i < 3; ++i)
        scale *= 10;
    const int64_t units = (hz + scale / 2) / scale; // hz >= 0
    if (decimals == 0)
        return std::to_string(units);
    int64_t tens = 1;
    for (int i = 0; i < decimals; ++i)
        tens *= 10;
    // Built digit by digit: GCC 12 at -O2 misreads std::string's insert here.
    std::string fraction = std::to_string(units % tens);
    while (static_cast<int>(fraction.size()) < decimals)
        fraction = '0' + fraction;
    std::string text = std::to_string(units / tens);
    text += '.';
    text += fraction;
    return text;
}

std::string lineText(const Verdict& verdict, const std::string& recordText)
{
    switch (verdict.finding) {
    case Finding::Nothing:
        return "Heard nothing";
    case Finding::NotAFrequency:
        return "Heard '" + verdict.heard + "': not a frequency";
    case Finding::Agrees:
        return "Rig: " + kHzText(verdict.rigHz, verdict.decimals) + " kHz, the record agrees";
    case Finding::Differs:
        break;
    }
    const int64_t apart = std::llabs(verdict.apartHz);
    std::string distance;
    if (apart < 10'000) {
        distance = std::to_string(apart) + " Hz";
    } else {
        distance = kHzText(apart, 2);
        while (distance.back() == '0')
            distance.pop_back();
        if (distance.back() == '.')
            distance.pop_back();
        distance += " kHz";
    }
    return "Rig: " + kHzText(verdict.rigHz, verdict.decimals) + " kHz; the record says " + recordText + " (" +
           distance + " apart)";
}

} // namespace hear
