// Port access and the line map. There is no port object and no cached address:
// every access reads the Port text afresh, as the operator may edit it at any
// time between two accesses.
//
//   line        standard port (632, 888, 956)      other port
//   encoder A   data register bit 2 (pin 4)        the same
//   encoder B   data register bit 3 (pin 5)        the same
//   key         control register bit 0 (pin 1)     base+1: 254 pressed, 255 released
//   RIT         control register bit 1 (pin 14)    base+2: 254 on, 255 off
//
// The control register's bits 0 and 1 drive their pins through inverters, so
// a set bit pulls the line low, as 254 does on the other port.
#include "panel/Corvane.h"
#include "rules/StandardPort.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QComboBox>
#include <QLineEdit>

int16_t Corvane::port_base(int offset)
{
    const QString text = Port->currentText();
    if (offset == 0)
        return numtext::toInt16(text, names::port);
    // base+1 and base+2 are reckoned in floating point and only then rounded,
    // so "888.5" puts the data register at 888 but the control register at 890.
    const double sum = numtext::toDouble(text, names::port) + offset;
    return numtext::roundToInt16(sum, QStringLiteral("Port \"%1\" + %2").arg(text).arg(offset));
}

bool Corvane::is_std_port()
{
    // By number, as the registers are found: " 888" and "888.0" are the port
    // at 888. A text that is no number names no port; the first access says so.
    try {
        return rules::isStandardBase(numtext::toDouble(Port->currentText(), names::port));
    } catch (const numtext::ConversionError&) {
        return false;
    }
}

void Corvane::enc_write(int16_t byte) { port_.Out32(port_base(0), byte); }

int16_t Corvane::enc_read() { return static_cast<int16_t>(port_.Inp32(port_base(0)) & 0xff); }

int16_t Corvane::key_press(bool std_port)
{
    if (!std_port) {
        port_.Out32(port_base(1), 254);
        return 0;
    }
    // Key and RIT share the control register: keep the RIT bit as read.
    const int16_t x = static_cast<int16_t>(port_.Inp32(port_base(2)) & 0xff);
    port_.Out32(port_base(2), static_cast<int16_t>(x | 1));
    return x;
}

void Corvane::key_release(bool std_port, int16_t x)
{
    if (!std_port) {
        port_.Out32(port_base(1), 255);
        return;
    }
    // The register is not read again: the press's own reading is restored.
    port_.Out32(port_base(2), static_cast<int16_t>(x & 254));
}

void Corvane::rit_line(bool std_port, bool on)
{
    if (!std_port) {
        port_.Out32(port_base(2), on ? 254 : 255);
        return;
    }
    const int16_t x = static_cast<int16_t>(port_.Inp32(port_base(2)) & 0xff);
    port_.Out32(port_base(2), static_cast<int16_t>(on ? (x | 2) : (x & 253)));
}

void Corvane::show_enc()
{
    const int16_t v = enc_read();
    Text4->setText(v == 255 ? QStringLiteral("11B") : v == 243 ? QStringLiteral("00B") : QStringLiteral("**"));
}
