#pragma once
// The rigctld command set that Hamlib's "NET rigctl" client (model 2) uses, as
// request lines in and reply bytes out, with no socket in sight.
//
// Replies are LF-terminated ASCII with locale-free numbers. A request prefixed
// by '+', ';' or '|' is answered in Hamlib's extended format: the command's long
// name and its arguments, one "Label: value" per value, then "RPRT <code>", each
// but the last ended by the separator ('+' stands for LF). Codes are Hamlib's:
// 0 done, -1 invalid or refused, -11 not available.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace rigctl {

// Who asked: one connection. Only compared, never followed.
using ClientId = const void*;

// What the protocol needs from the rig; the panel's version is PanelRig.
class Rig {
public:
    virtual ~Rig() = default;
    // The frequency on record, whole Hz.
    virtual int64_t frequencyHz() = 0;
    // Receive minus transmit frequency, whole Hz; 0 while RIT is off.
    virtual int64_t ritOffsetHz() = 0;
    // A request of `client` to tune to hz rounded to the nearest 50 Hz, checked
    // now: false when the rig refuses it, in which case nothing is sent. Once
    // accepted (and so answered) the move is carried out later, in its turn,
    // whether its client stays or not, unless a newer request supersedes it.
    virtual bool tune(double hz, ClientId client) = 0;
};

// One reply to one request line.
struct Reply {
    QByteArray bytes;   // empty only for an empty request line
    bool close = false; // the client asked to end the connection
};

// Holds the mode record (set_mode writes it, get_mode reads it back), which the
// rig itself cannot take: one interpreter serves every connection.
class Interpreter {
public:
    explicit Interpreter(Rig& rig) : rig_(rig) {}

    // line: one request of `client` without its LF; a trailing CR is ignored.
    // An exception from the rig becomes "RPRT -1".
    Reply handle(QByteArrayView line, ClientId client = nullptr);

    // What get_mode reports: the mode and passband (Hz) last set, as sent.
    struct ModeRecord {
        QByteArray mode = "CW";
        QByteArray passband = "500";
    };
    const ModeRecord& modeRecord() const { return mode_; }

private:
    Rig& rig_;
    ModeRecord mode_;
};

// Cuts a byte stream into request lines, keeping a partial line until its LF
// arrives.
class LineBuffer {
public:
    static constexpr qsizetype maxLine = 1024; // bytes before the LF

    void append(QByteArrayView bytes) { pending_.append(bytes); }
    // The next complete line, without its LF.
    std::optional<QByteArray> takeLine();
    // The next line, complete or not, is already longer than maxLine.
    bool overlong() const;
    // A complete line is waiting.
    bool hasLine() const { return pending_.contains('\n'); }

private:
    QByteArray pending_;
};

} // namespace rigctl
