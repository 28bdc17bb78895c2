#include "hear/WavFormat.h"

namespace hear
{

std::string WavFormat::name() const
{
    switch (coding) {
    case Coding::MuLaw:
        return "mu-law";
    case Coding::ALaw:
        return "A-law";
    case Coding::Float:
        return std::to_string(8 * bytes) + "-bit float";
    case Coding::Pcm:
        break;
    }
    std::string name = std::to_string(validBits) + "-bit PCM";
    if (validBits != 8 * bytes)
        name += " in " + std::to_string(8 * bytes);
    return name;
}

} // namespace hear
