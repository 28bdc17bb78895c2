#include "rigctl/Interpreter.h"

#include "rules/Models.h"
#include "rules/Steps.h"

#include <QList>

#include <charconv>
#include <exception>
#include <utility>

namespace rigctl {

namespace {

enum class Command {
    GetFreq,
    SetFreq,
    GetMode,
    SetMode,
    GetVfo,
    SetVfo,
    GetSplitVfo,
    SetSplitVfo,
    GetPtt,
    SetPtt,
    GetRit,
    GetPowerstat,
    GetLockMode,
    ChkVfo,
    DumpState,
    Quit,
};

struct Entry {
    char shortName; // 0: reached by its long name only
    const char* name;
    Command command;
};

constexpr Entry entries[] = {
    {'f', "get_freq", Command::GetFreq},
    {'F', "set_freq", Command::SetFreq},
    {'m', "get_mode", Command::GetMode},
    {'M', "set_mode", Command::SetMode},
    {'v', "get_vfo", Command::GetVfo},
    {'V', "set_vfo", Command::SetVfo},
    {'s', "get_split_vfo", Command::GetSplitVfo},
    {'S', "set_split_vfo", Command::SetSplitVfo},
    {'t', "get_ptt", Command::GetPtt},
    {'T', "set_ptt", Command::SetPtt},
    {'j', "get_rit", Command::GetRit},
    {0, "get_powerstat", Command::GetPowerstat},
    {0, "get_lock_mode", Command::GetLockMode},
    {0, "chk_vfo", Command::ChkVfo},
    {0, "dump_state", Command::DumpState},
    {'q', "quit", Command::Quit},
    {'Q', "quit", Command::Quit},
};

constexpr int invalid = -1;       // Hamlib's -RIG_EINVAL
constexpr int notAvailable = -11; // Hamlib's -RIG_ENAVAIL

// Hamlib 4.x reads this block line by line: protocol version, model, ITU region
// (2, the Americas: the presets are W1AW, WWV and CHU); receive then transmit
// ranges (start, end, modes, low and high power in mW, VFOs, antennas) each list
// ended by seven zeros; tuning steps and filters (modes, Hz) each ended by two
// zeros; max RIT, XIT and IF shift in Hz; announces; preamp and attenuator lists
// (empty lines); the get/set masks of functions, levels and parms. Protocol 0
// ends there. Mode 0x2 is CW, VFO 0x1 is VFO A, antenna 0x1 is the first; the
// power is unknown (-1), since nothing is read from the rig. The ranges are
// what "E" accepts, the tuning steps the rig's two.
QByteArray dumpState()
{
    const QByteArray range = QByteArray::number(rules::entryLowKhz * 1000.0, 'f', 6) + ' ' +
                             QByteArray::number(rules::entryHighKhz * 1000.0, 'f', 6) +
                             " 0x2 -1 -1 0x1 0x1\n"
                             "0 0 0 0 0 0 0\n";
    return "0\n"
           "2\n"
           "2\n" +
           range + range + "0x2 " + QByteArray::number(rules::fineStepHz) + "\n0x2 " +
           QByteArray::number(rules::coarseStepHz) +
           "\n"
           "0 0\n"
           "0x2 500\n"
           "0 0\n"
           "0\n"
           "0\n"
           "0\n"
           "0\n"
           "\n"
           "\n"
           "0x0\n"
           "0x0\n"
           "0x0\n"
           "0x0\n"
           "0x0\n"
           "0x0\n";
}

// "f" by its letter, "\\get_freq" by its long name.
const Entry* find(QByteArrayView word)
{
    for (const Entry& e : entries) {
        const bool byLetter = word.size() == 1 && e.shortName != 0 && word.front() == e.shortName;
        const bool byName = word.size() > 1 && word.front() == '\\' && word.sliced(1) == e.name;
        if (byLetter || byName)
            return &e;
    }
    return nullptr;
}

QList<QByteArrayView> tokens(QByteArrayView line)
{
    QList<QByteArrayView> out;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const qsizetype start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            out.append(line.sliced(start, i - start));
    }
    return out;
}

template <typename Number> std::optional<Number> parse(QByteArrayView text)
{
    Number value{};
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

using Args = QList<QByteArrayView>;

struct Result {
    int code = 0;
    QList<std::pair<const char*, QByteArray>> values; // label, value
    QByteArrayView block;                             // dump_state's lines
    bool close = false;

    static Result status(int code) { return Result{code, {}, {}, false}; }
};

Result setFrequency(Rig& rig, const Args& args, ClientId client)
{
    // "F <Hz>", or "F <VFO> <Hz>" from a client that sends VFO tokens anyway.
    if (args.isEmpty() || args.size() > 2)
        return Result::status(invalid);
    const std::optional<double> hz = parse<double>(args.back());
    if (!hz || !rig.tune(*hz, client))
        return Result::status(invalid);
    return {};
}

Result setMode(Interpreter::ModeRecord& record, const Args& args)
{
    if (args.size() != 2)
        return Result::status(invalid);
    const std::optional<int64_t> passband = parse<int64_t>(args[1]);
    if (!passband)
        return Result::status(invalid);
    record.mode = args[0].toByteArray();
    // -1 is Hamlib's "passband unchanged".
    if (*passband != -1)
        record.passband = args[1].toByteArray();
    return {};
}

Result dispatch(Command command, const Args& args, Rig& rig, Interpreter::ModeRecord& record, ClientId client)
{
    switch (command) {
    case Command::GetFreq: // an optional VFO token changes nothing: there is one VFO
        return {0, {{"Frequency", QByteArray::number(rig.frequencyHz())}}, {}, false};
    case Command::SetFreq:
        return setFrequency(rig, args, client);
    case Command::GetMode:
        return {0, {{"Mode", record.mode}, {"Passband", record.passband}}, {}, false};
    case Command::SetMode:
        return setMode(record, args);
    case Command::GetVfo:
        return {0, {{"VFO", "VFOA"}}, {}, false};
    case Command::SetVfo: {
        if (args.isEmpty())
            return Result::status(invalid);
        const bool theOne = args[0] == "VFOA" || args[0] == "Main" || args[0] == "currVFO";
        return Result::status(theOne ? 0 : notAvailable);
    }
    case Command::GetSplitVfo:
        return {0, {{"Split", "0"}, {"TX VFO", "VFOA"}}, {}, false};
    case Command::SetSplitVfo:
        if (args.isEmpty() || (args[0] != "0" && args[0] != "1"))
            return Result::status(invalid);
        return Result::status(args[0] == "0" ? 0 : notAvailable);
    case Command::GetPtt:
        return {0, {{"PTT", "0"}}, {}, false};
    case Command::SetPtt: // the panel has no line to key the transmitter with: it is never keyed
        if (args.isEmpty())
            return Result::status(invalid);
        return Result::status(args.back() == "0" ? 0 : notAvailable);
    case Command::GetRit:
        return {0, {{"RIT", QByteArray::number(rig.ritOffsetHz())}}, {}, false};
    case Command::GetPowerstat: // anything but 1 and clients take the rig for switched off
        return {0, {{"Power Status", "1"}}, {}, false};
    case Command::GetLockMode: // an error here makes Hamlib skip every later set_mode
        return {0, {{"Locked", "0"}}, {}, false};
    case Command::ChkVfo: // 0: requests carry no VFO token
        return {0, {{"ChkVFO", "0"}}, {}, false};
    case Command::DumpState: {
        // Built once: the reply keeps a view of it.
        static const QByteArray block = dumpState();
        return {0, {}, QByteArrayView(block), false};
    }
    case Command::Quit:
        return {0, {}, {}, true};
    }
    return Result::status(notAvailable);
}

} // namespace

Reply Interpreter::handle(QByteArrayView line, ClientId client)
{
    if (line.endsWith('\r'))
        line.chop(1);
    QList<QByteArrayView> args = tokens(line);
    if (args.isEmpty())
        return {};

    QByteArrayView word = args.takeFirst();
    std::optional<char> separator;
    if (word.front() == '+' || word.front() == ';' || word.front() == '|') {
        separator = word.front() == '+' ? '\n' : word.front();
        word = word.sliced(1);
    }
    const Entry* const entry = find(word);
    // Every request gets an answer: a client left waiting stalls until it times out.
    if (!entry)
        return {"RPRT -11\n"};

    Result result;
    try {
        result = dispatch(entry->command, args, rig_, mode_, client);
    } catch (const std::exception&) {
        result = Result::status(invalid);
    }

    Reply reply{{}, result.close};
    QByteArray& out = reply.bytes;
    const QByteArray code = "RPRT " + QByteArray::number(result.code) + '\n';
    if (!separator) {
        // Values alone, one a line; a command that has none answers with its code.
        if (result.code != 0 || (result.block.isEmpty() && result.values.isEmpty()))
            return {code, result.close};
        out = result.block.toByteArray();
        for (const auto& [label, value] : result.values)
            out += value + '\n';
        return reply;
    }
    out = entry->name;
    out += ':';
    for (QByteArrayView arg : args)
        out += ' ' + arg.toByteArray();
    out += *separator;
    if (result.code == 0) {
        out.append(result.block);
        for (const auto& [label, value] : result.values)
            out += label + QByteArray(": ") + value + *separator;
    }
    out += code;
    return reply;
}

std::optional<QByteArray> LineBuffer::takeLine()
{
    const qsizetype end = pending_.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    return line;
}

bool LineBuffer::overlong() const
{
    const qsizetype end = pending_.indexOf('\n');
    return (end < 0 ? pending_.size() : end) > maxLine;
}

} // namespace rigctl
