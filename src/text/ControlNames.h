#pragma once
// The names the operator sees for the controls whose texts are converted, as
// the panel's captions and the manual give them. Messages name a control by
// these, never by its object name.

#include <QStringView>

namespace names
{

inline constexpr QStringView xmitFreq = u"Xmit freq";   // Text1
inline constexpr QStringView rcvFreq = u"Rcv freq";     // Text3
inline constexpr QStringView freqEntry = u"Freq entry"; // Text5
inline constexpr QStringView port = u"Port";
inline constexpr QStringView encoder = u"Encoder";

} // namespace names
