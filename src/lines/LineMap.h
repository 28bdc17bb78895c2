#pragma once
// The four rig lines behind the three registers of a parallel port at one base
// address: which register and bit drives which line, shared by the simulated
// rig (which listens to the lines) and by backends that drive the lines
// themselves (GPIO).
//
//   line        standard base (632, 888, 956)      other base
//   encoder A   data register bit 2                the same
//   encoder B   data register bit 3                the same
//   key         base+2 (control) bit 0 set         base+1 bit 0 clear (254)
//   RIT         base+2 (control) bit 1 set         base+2 bit 0 clear (254)
//
// The conditions shown pull the line low: key pressed, RIT on. On a standard
// base the control register drives its bits through the port's inverters.
// base+1 of a standard base is the status register: it drives nothing, reads
// 127 (nothing drives the inputs, and the port inverts bit 7), and a write to
// it changes nothing.

#include <cstdint>
#include <optional>

namespace lines
{

// One bit per line, in a mask of lines or of their levels (set = high).
inline constexpr unsigned encoderA = 1u << 0;
inline constexpr unsigned encoderB = 1u << 1;
inline constexpr unsigned key = 1u << 2;
inline constexpr unsigned rit = 1u << 3;
inline constexpr unsigned all = encoderA | encoderB | key | rit;
inline constexpr int count = 4;

// What one register write does to the lines: `lines` are the lines its
// register drives (none for the status register), `high` those of them now high.
struct Drive {
    unsigned lines = 0;
    unsigned high = 0;
    bool operator==(const Drive&) const = default;
};

} // namespace lines

class LineMap
{
public:
    // Registers read 255 until written, as an unwritten port's latches do:
    // on a standard base that holds the key and RIT lines low.
    explicit LineMap(uint16_t base);

    uint16_t base() const { return base_; }
    bool standard() const { return standard_; }

    // 0, 1 or 2 for the registers at base..base+2 (modulo 65536, so a base at
    // the top of the range keeps its registers); nullopt for any other address.
    std::optional<unsigned> registerAt(uint16_t address) const;
    bool isStatusRegister(unsigned reg) const { return standard_ && reg == 1; }

    // reg: 0..2. Keeps the byte and says which lines the register now drives.
    lines::Drive write(unsigned reg, uint8_t byte);
    // reg: 0..2. The byte last written (255 before), 127 for the status register.
    uint8_t read(unsigned reg) const;
    // The levels of all four lines now (set = high).
    unsigned levels() const;

    // Puts the registers at the bytes the panel's start-up writes (data 255,
    // control 244; 255 at base+1 and base+2 of another base): all lines high.
    void rest();

private:
    uint16_t base_;
    bool standard_;
    uint8_t registers_[3] = {255, 255, 255};
};
