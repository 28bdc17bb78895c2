#include "text/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace numtext {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of s that is a number: [sign] digits [. digits]
// [exponent]. An exponent counts only with at least one digit. 0 when the
// prefix holds no mantissa digit.
size_t numberPrefix(const std::string& s)
{
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

// Parses a string that numberPrefix() accepted whole. from_chars takes no '+'.
// Returns false when the magnitude does not fit a double.
bool parseNumber(const std::string& s, double& out)
{
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (*first == '+')
        ++first;
    auto [ptr, ec] = std::from_chars(first, last, out, std::chars_format::general);
    return ec == std::errc() && ptr == last;
}

QString quoted(const QString& text) { return u'"' + text + u'"'; }

[[noreturn]] void fail(QStringView source, const QString& text, const char* why)
{
    throw ConversionError((source.toString() + u' ' + quoted(text) + QLatin1String(why)).toStdString());
}

template <typename Int> Int roundToInt(double value, QStringView what)
{
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<Int>::min() && r <= std::numeric_limits<Int>::max()))
        throw ConversionError(QStringLiteral("%1 is out of range %2..%3")
                                  .arg(what)
                                  .arg(std::numeric_limits<Int>::min())
                                  .arg(std::numeric_limits<Int>::max())
                                  .toStdString());
    return static_cast<Int>(r);
}

template <typename Int> Int textToInt(const QString& text, QStringView source)
{
    const double value = toDouble(text, source);
    return roundToInt<Int>(value, QString(source.toString() + u' ' + quoted(text)));
}

} // namespace

double roundHalfEven(double value)
{
    // nearbyint rounds in the current mode, which the program never leaves
    // from its default: to nearest, ties to even.
    return std::nearbyint(value);
}

bool isNumber(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    const QStringView core = QStringView(text).mid(begin, end - begin);
    for (QChar c : core)
        if (c.unicode() > 0x7f)
            return false;
    const std::string s = core.toLatin1().toStdString();
    return !s.empty() && numberPrefix(s) == s.size();
}

double toDouble(const QString& text, QStringView source)
{
    if (!isNumber(text))
        fail(source, text, " is not a number");
    const std::string s = text.trimmed().toLatin1().toStdString();
    double value = 0;
    if (!parseNumber(s, value))
        fail(source, text, " is out of range");
    return value;
}

int16_t toInt16(const QString& text, QStringView source) { return textToInt<int16_t>(text, source); }
int32_t toInt32(const QString& text, QStringView source) { return textToInt<int32_t>(text, source); }
int16_t roundToInt16(double value, QStringView what) { return roundToInt<int16_t>(value, what); }
int32_t roundToInt32(double value, QStringView what) { return roundToInt<int32_t>(value, what); }

double leadingNumber(const QString& text)
{
    std::string s;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        if (c.unicode() > 0x7f)
            break;
        s += static_cast<char>(c.unicode());
    }
    s.resize(numberPrefix(s));
    if (s.empty())
        return 0;
    double value = 0;
    if (!parseNumber(s, value))
        return s[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    return value;
}

QString toText(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");

    // "%.14e" gives the value rounded to 15 significant digits, exactly.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    const std::string s(buf);
    const bool negative = s[0] == '-';
    const size_t mantissa = negative ? 1 : 0;
    const size_t ePos = s.find('e');
    std::string digits = s.substr(mantissa, 1) + s.substr(mantissa + 2, ePos - mantissa - 2);
    const int exponent = std::stoi(s.substr(ePos + 1));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    // Built with QString: GCC 12's -Wrestrict misfires on std::string's
    // operator+ in optimised builds.
    const QString d = QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
    QString out = negative ? QStringLiteral("-") : QString();
    if (exponent >= 15 || exponent < -4) {
        out += d.left(1);
        if (d.size() > 1)
            out += u'.' + d.mid(1);
        out += QStringLiteral("E%1%2").arg(QChar(exponent < 0 ? u'-' : u'+')).arg(std::abs(exponent), 2, 10, QChar(u'0'));
    } else if (exponent >= 0) {
        const qsizetype whole = exponent + 1;
        if (d.size() <= whole)
            out += d + QString(whole - d.size(), u'0');
        else
            out += d.left(whole) + u'.' + d.mid(whole);
    } else {
        out += QStringLiteral("0.") + QString(-exponent - 1, u'0') + d;
    }
    return out;
}

QString toSignedText(double value)
{
    const QString text = toText(value);
    return text.startsWith(u'-') ? text : u' ' + text;
}

} // namespace numtext
