#pragma once
// The browser's side of the remote panel's protocol: one JSON object per
// WebSocket text message, at most maxMessageBytes of UTF-8, with "t" naming
// the kind and exactly the members that kind has:
//   {"t":"login","pass":S}     S: 1..256 characters
//   {"t":"resume","token":T}   T: a session token, 64 lower-case hex digits
//   {"t":"take"}  {"t":"release"}  {"t":"stop"}
//   {"t":"press","b":NAME}     NAME: a control the panel knows
// Anything else is refused with a reason fit for a WebSocket close frame
// (plain ASCII, under 120 bytes). Pure: no state, no panel.

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace web
{

inline constexpr qsizetype maxMessageBytes = 1024;
inline constexpr qsizetype maxPassphraseChars = 256;
inline constexpr qsizetype tokenHexDigits = 64;

enum class Kind { login, resume, take, release, stop, press };

struct Message {
    Kind kind = Kind::stop;
    QString text; // the passphrase, the token or the control's name; empty for the rest
};

struct Parsed {
    std::optional<Message> message;
    QString refusal; // set when message is not
};

// knownControl: whether "press" may name this control.
Parsed parseMessage(QByteArrayView utf8, const std::function<bool(const QString&)>& knownControl);

} // namespace web
