#include "hear/Verdict.h"

#include "rules/Steps.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace hear
{

namespace
{

struct Figure {
    std::string text;
    int64_t hz = 0;      // as heard, without the left-out digits
    int64_t modulus = 0; // Hz the heard digits repeat after; 0: they are the whole frequency
    int decimals = 0;
};

bool allOf(const std::string& s, const char* set)
{
    return !s.empty() && s.find_first_not_of(set) == std::string::npos;
}

// A group of figures in a form the rig sends.
std::optional<Figure> figure(const std::string& word)
{
    const size_t point = word.find('.');
    const std::string whole = word.substr(0, point);
    const std::string part = point == std::string::npos ? std::string() : word.substr(point + 1);
    if (!allOf(whole, "0123456789") || whole.size() > 6)
        return std::nullopt;
    if (point == std::string::npos ? whole.size() < 4
                                   : whole.size() < 3 || !allOf(part, "0123456789") || part.size() > 3)
        return std::nullopt;
    Figure f;
    f.text = word;
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

// A word that may stand beside the frequency: letters, or one prosign.
bool asideWord(const std::string& word)
{
    return allOf(word, "ABCDEFGHIJKLMNOPQRSTUVWXYZ") || word == "<AR>" || word == "<SK>" || word == "<BT>" ||
           word == "<KN>";
}

// The one frequency in `text`, with at most a word set aside on either side.
std::optional<Figure> frequencyIn(const std::string& text)
{
    std::vector<std::string> words;
    for (size_t at = 0; at <= text.size();) {
        const size_t space = std::min(text.find(' ', at), text.size());
        words.push_back(text.substr(at, space - at));
        at = space + 1;
    }
    for (size_t i = 0; i < words.size(); ++i) {
        std::optional<Figure> f = figure(words[i]);
        if (!f)
            continue;
        const size_t after = words.size() - i - 1;
        if (i > 1 || after > 1 || (i == 1 && !asideWord(words[0])) ||
            (after == 1 && !asideWord(words.back())))
            return std::nullopt;
        // Behind a word the group begins where the rig began: only the short form leaves digits out.
        if (i == 1 && words[i].find('.') != 3)
            f->modulus = 0;
        return f;
    }
    return std::nullopt;
}

} // namespace

Verdict reconcile(const std::string& heard, double confidence, int64_t recordHz)
{
    Verdict v;
    v.heard = heard;
    if (heard.empty())
        return v;
    if (confidence < trusted) {
        v.finding = Finding::Unsure;
        return v;
    }
    const std::optional<Figure> f = frequencyIn(heard);
    if (!f) {
        v.finding = Finding::NotAFrequency;
        return v;
    }
    // The left-out digits: of the frequencies that end as heard, the one nearest the record.
    int64_t rig = f->hz;
    if (f->modulus != 0) {
        rig = recordHz - recordHz % f->modulus + f->hz;
        for (const int64_t other : {rig - f->modulus, rig + f->modulus})
            if (other >= 0 && std::llabs(other - recordHz) < std::llabs(rig - recordHz))
                rig = other;
    }
    int64_t unit = 1;
    for (int i = f->decimals; i < 3; ++i)
        unit *= 10;
    v.figures = f->text;
    v.rigHz = rig;
    v.decimals = f->decimals;
    v.apartHz = rig - recordHz;
    if (rig % rules::fineStepHz != 0)
        v.finding = Finding::OffGrid;
    else
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
    const std::string heard = "Heard '" + verdict.heard + "': ";
    const std::string rig = kHzText(verdict.rigHz, verdict.decimals);
    switch (verdict.finding) {
    case Finding::Nothing:
        return "Heard nothing";
    case Finding::Unsure:
        return heard + "too unsure to trust";
    case Finding::NotAFrequency:
        return heard + "not a frequency";
    case Finding::OffGrid:
        return heard + rig + " kHz is off the rig's " + std::to_string(rules::fineStepHz) + " Hz grid";
    case Finding::Agrees:
        // Said in full where the record supplied leading digits.
        return heard + (rig == verdict.figures ? "" : "the rig is at " + rig + " kHz; ") +
               "the record agrees";
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
    return heard + "the rig is at " + rig + " kHz; the record says " + recordText + " (" + distance +
           " apart)";
}

std::string checkedText(const Verdict& verdict, const std::string& line)
{
    switch (verdict.finding) {
    case Finding::Agrees:
        return "Arrived, verified by ear: " + line;
    case Finding::Differs:
        return "The rig says " + kHzText(verdict.rigHz, verdict.decimals) + "; Take? " + line;
    default:
        return "Not verified: " + line;
    }
}

} // namespace hear
