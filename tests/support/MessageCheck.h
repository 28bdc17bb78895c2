#pragma once
// What the parser of the remote panel's messages must hold for any input: it
// returns, and what it accepts is whole and within bounds. Aborts otherwise,
// so that a fuzzer and a test both see it.

#include "panel/RecordDoor.h"
#include "web/Message.h"

#include <cstdlib>

inline bool messageHolds(QByteArrayView bytes)
{
    const web::Parsed p = web::parseMessage(bytes, &record::RecordDoor::knows);
    if (!p.message)
        return !p.refusal.isEmpty() && p.refusal.size() < 120 && bytes.size() > 0;
    const web::Message& m = *p.message;
    if (!p.refusal.isEmpty() || bytes.size() > web::maxMessageBytes)
        return false;
    switch (m.kind) {
    case web::Kind::login:
        return !m.text.isEmpty() && m.text.size() <= web::maxPassphraseChars;
    case web::Kind::resume:
        return m.text.size() == web::tokenHexDigits;
    case web::Kind::press:
        return record::RecordDoor::knows(m.text);
    case web::Kind::take:
    case web::Kind::release:
    case web::Kind::stop:
        return m.text.isEmpty();
    }
    return false;
}

inline void checkMessage(QByteArrayView bytes)
{
    if (!messageHolds(bytes))
        std::abort();
}
