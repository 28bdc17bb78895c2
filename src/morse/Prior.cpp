#include "morse/Prior.h"

namespace morse
{

namespace
{

enum class Kind { Figure, Point, Letter, Prosign, Punctuation };

Kind kindOf(char id)
{
    if (id >= '0' && id <= '9')
        return Kind::Figure;
    if (id == '.')
        return Kind::Point;
    if (id >= 'A' && id <= 'Z')
        return Kind::Letter;
    if (id >= '\x01' && id <= '\x04')
        return Kind::Prosign;
    return Kind::Punctuation;
}

} // namespace

Company companyOf(char id)
{
    switch (kindOf(id)) {
    case Kind::Figure:
    case Kind::Point:
        return Company::Figures;
    case Kind::Letter:
        return Company::Letters;
    default:
        return Company::Alone;
    }
}

double logPrior(char id, Company company)
{
    // Among figures a letter is a misread figure far more often than sent:
    // callsigns mix them, but a rig's figures come in groups of their own. A
    // lone symbol is a label's letter, a closing sign, or a figure.
    // Punctuation is the rarest anywhere.
    const Kind kind = kindOf(id);
    switch (company) {
    case Company::Figures:
        return kind == Kind::Figure || kind == Kind::Point ? 0.0 : kind == Kind::Punctuation ? -5.0 : -4.0;
    case Company::Letters:
        return kind == Kind::Letter ? 0.0 : kind == Kind::Figure ? -2.0 : -3.0;
    case Company::Alone:
        break;
    }
    return kind == Kind::Letter || kind == Kind::Prosign ? 0.0 : kind == Kind::Figure ? -1.0 : -3.0;
}

} // namespace morse
