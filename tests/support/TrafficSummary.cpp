#include "support/TrafficSummary.h"

#include <string_view>

namespace {

// An Encoder 1 half step: the two bytes it writes, and its direction.
const char* halfStep(const std::string& first, const std::string& second)
{
    if ((first == "out 888 251" && second == "out 888 243") || (first == "out 888 247" && second == "out 888 255"))
        return "up";
    if ((first == "out 888 247" && second == "out 888 243") || (first == "out 888 251" && second == "out 888 255"))
        return "dn";
    return nullptr;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace

std::vector<std::string> summarize(const TrafficLog& log)
{
    std::vector<std::string> out;
    // A view, not a string: GCC 12 at -O2 takes assigning a literal to a
    // std::string here for an overlapping copy (-Wrestrict).
    std::string_view direction;
    int steps = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        const std::string& line = log[i];
        if (i + 3 < log.size() && startsWith(line, "out 888 ") && startsWith(log[i + 1], "wait ") &&
            startsWith(log[i + 3], "wait ")) {
            if (const char* dir = halfStep(line, log[i + 2])) {
                if (steps > 0 && direction != dir)
                    out.push_back("mixed directions");
                direction = dir;
                ++steps;
                i += 3;
                continue;
            }
        }
        if (startsWith(line, "in 888 ")) {
            out.push_back(steps ? std::string(direction) + ' ' + std::to_string(steps) : "run 0");
            steps = 0;
            continue;
        }
        if (i + 4 < log.size() && startsWith(line, "in 890 ") && log[i + 2] == "wait 2" && log[i + 4] == "wait 2") {
            out.push_back("step_tog");
            i += 4;
            continue;
        }
        out.push_back(line);
    }
    return out;
}
