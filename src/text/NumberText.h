#pragma once
// The program's number conversions. The rig's record is kept as display text,
// so these rules decide every frequency the program believes in.
//
// - Text to number: optional blanks (spaces) around, optional sign, digits with
//   "." as the decimal point, optional exponent; nothing else. Locale-free.
// - Number to integer: nearest, halves to the even neighbour; fails outside the
//   integer's range.
// - Number to text: at most 15 significant digits, no trailing zeros, "." point.
//
// Every failure throws ConversionError; its message names the control (or
// whatever the caller calls `source`) and the text that failed.

#include <QString>
#include <QStringView>

#include <cstdint>
#include <stdexcept>

namespace numtext {

class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole text as a double. Throws when it is not a number.
double toDouble(const QString& text, QStringView source);

// Whether the whole text has the form toDouble() reads, whatever its size.
bool isNumber(const QString& text);

// The whole text as an integer (through toDouble, then rounded).
int16_t toInt16(const QString& text, QStringView source);
int32_t toInt32(const QString& text, QStringView source);

// A value rounded to the nearest integer, halves to even. `what` describes the
// value in the error message, e.g. u"Port \"32767\" + 2".
int16_t roundToInt16(double value, QStringView what);
int32_t roundToInt32(double value, QStringView what);

// Halves-to-even rounding to a whole double (no range check).
double roundHalfEven(double value);

// The leading number of a text, as the go-to key reads it: blanks, tabs and line
// feeds anywhere are ignored; reading stops at the first character that cannot
// continue a number; no number reads 0. Never throws.
double leadingNumber(const QString& text);

// Number to text, at most 15 significant digits ("7040.2", "8040", "-0.05").
QString toText(double value);
// The same with one leading blank for a number that is not negative (" 3560").
QString toSignedText(double value);

} // namespace numtext
