#include "disasm/register_names.h"

#include <algorithm>

#include "device/hex_text.h"
#include "disasm/include_symbols.h"
#include "disasm/listing_text.h"

namespace vantrel {

namespace {

// Only the low 7 bits of a register address reach the instruction word.
constexpr std::uint16_t kRegisterFieldMask = 0x7F;
constexpr std::size_t kPlaceholderLength = 4;  // "0x0C"

constexpr auto kPlaceholderChars = [] {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<char, kRegistersPerBank * kPlaceholderLength> chars{};
    for (std::size_t reg = 0; reg < kRegistersPerBank; ++reg) {
        chars[reg * kPlaceholderLength + 0] = '0';
        chars[reg * kPlaceholderLength + 1] = 'x';
        chars[reg * kPlaceholderLength + 2] = kDigits[reg >> 4];
        chars[reg * kPlaceholderLength + 3] = kDigits[reg & 0xF];
    }
    return chars;
}();

constexpr TBankRegisterNames kPlaceholders = [] {
    TBankRegisterNames names{};
    for (std::size_t reg = 0; reg < kRegistersPerBank; ++reg) {
        names[reg] = std::string_view(kPlaceholderChars.data() + reg * kPlaceholderLength,
                                      kPlaceholderLength);
    }
    return names;
}();

struct TNamedRegister {
    std::uint8_t Number;
    std::string_view Name;
};

// `base` with the registers of `named` named.
template <std::size_t N>
constexpr TBankRegisterNames Bank(TBankRegisterNames base, const TNamedRegister (&named)[N]) {
    for (const TNamedRegister& entry : named) {
        base[entry.Number] = entry.Name;
    }
    return base;
}

// clang-format off
// The registers every 14-bit core has at the same place in its even and odd banks.
constexpr TBankRegisterNames kCore14Even = Bank(kPlaceholders, {
    {0x00, "INDF"}, {0x01, "TMR0"}, {0x02, "PCL"}, {0x03, "STATUS"}, {0x04, "FSR"},
    {0x0A, "PCLATH"}, {0x0B, "INTCON"}});
constexpr TBankRegisterNames kCore14Odd = Bank(kPlaceholders, {
    {0x00, "INDF"}, {0x01, "OPTION_REG"}, {0x02, "PCL"}, {0x03, "STATUS"}, {0x04, "FSR"},
    {0x0A, "PCLATH"}, {0x0B, "INTCON"}});
// The 12-bit cores: one bank, which their decoder never leaves.
constexpr TBankRegisterNames kCore12 = Bank(kPlaceholders, {
    {0x00, "INDF"}, {0x01, "TMR0"}, {0x02, "PCL"}, {0x03, "STATUS"}, {0x04, "FSR"}});

constexpr TBankRegisterNames kSet1Bank0 = Bank(kCore14Even, {
    {0x05, "PORTA"}, {0x06, "PORTB"}, {0x08, "EEDATA"}, {0x09, "EEADR"}});
constexpr TBankRegisterNames kSet1Bank1 = Bank(kCore14Odd, {
    {0x05, "TRISA"}, {0x06, "TRISB"}, {0x08, "EECON1"}, {0x09, "EECON2"}});
constexpr TBankRegisterNames kSet2 = Bank(kCore12, {{0x05, "OSCCAL"}, {0x06, "GPIO"}});
constexpr TBankRegisterNames kSet3Bank0 = Bank(kCore14Even, {
    {0x05, "PORTA"}, {0x06, "PORTB"}, {0x07, "PORTC"}, {0x08, "PORTD"}, {0x09, "PORTE"},
    {0x0C, "PIR1"}, {0x0D, "PIR2"}, {0x0E, "TMR1L"}, {0x0F, "TMR1H"}, {0x10, "T1CON"},
    {0x11, "TMR2"}, {0x12, "T2CON"}, {0x13, "SSPBUF"}, {0x14, "SSPCON"}, {0x15, "CCPR1L"},
    {0x16, "CCPR1H"}, {0x17, "CCP1CON"}, {0x18, "RCSTA"}, {0x19, "TXREG"}, {0x1A, "RCREG"},
    {0x1B, "CCPR2L"}, {0x1C, "CCPR2H"}, {0x1D, "CCP2CON"}, {0x1E, "ADRESH"}, {0x1F, "ADCON0"}});
constexpr TBankRegisterNames kSet3Bank1 = Bank(kCore14Odd, {
    {0x05, "TRISA"}, {0x06, "TRISB"}, {0x07, "TRISC"}, {0x08, "TRISD"}, {0x09, "TRISE"},
    {0x0C, "PIE1"}, {0x0D, "PIE2"}, {0x0E, "PCON"}, {0x11, "SSPCON2"}, {0x12, "PR2"},
    {0x13, "SSPADD"}, {0x14, "SSPSTAT"}, {0x18, "TXSTA"}, {0x19, "SPBRG"}, {0x1C, "CMCON"},
    {0x1D, "CVRCON"}, {0x1E, "ADRESL"}, {0x1F, "ADCON1"}});
constexpr TBankRegisterNames kSet3Bank2 = Bank(kCore14Even, {
    {0x06, "PORTB"}, {0x0C, "EEDATA"}, {0x0D, "EEADR"}, {0x0E, "EEDATH"}, {0x0F, "EEADRH"}});
constexpr TBankRegisterNames kSet3Bank3 = Bank(kCore14Odd, {
    {0x06, "TRISB"}, {0x0C, "EECON1"}, {0x0D, "EECON2"}});
constexpr TBankRegisterNames kSet4Bank0 = Bank(kCore14Even, {
    {0x05, "PORTA"}, {0x06, "PORTB"}, {0x0C, "PIR1"}, {0x0E, "TMR1L"}, {0x0F, "TMR1H"},
    {0x10, "T1CON"}, {0x11, "TMR2"}, {0x12, "T2CON"}, {0x15, "CCPR1L"}, {0x16, "CCPR1H"},
    {0x17, "CCP1CON"}, {0x18, "RCSTA"}, {0x19, "TXREG"}, {0x1A, "RCREG"}, {0x1F, "CMCON"}});
constexpr TBankRegisterNames kSet4Bank1 = Bank(kCore14Odd, {
    {0x05, "TRISA"}, {0x06, "TRISB"}, {0x0C, "PIE1"}, {0x0E, "PCON"}, {0x12, "PR2"},
    {0x18, "TXSTA"}, {0x19, "SPBRG"}, {0x1A, "EEDATA"}, {0x1B, "EEADR"}, {0x1C, "EECON1"},
    {0x1D, "EECON2"}, {0x1F, "VRCON"}});
// Sets 4, 5 and 6 share their upper banks.
constexpr TBankRegisterNames kSets456Bank2 = Bank(kCore14Even, {{0x06, "PORTB"}});
constexpr TBankRegisterNames kSets456Bank3 = Bank(kCore14Odd, {{0x06, "TRISB"}});
constexpr TBankRegisterNames kSet5Bank0 = Bank(kCore14Even, {
    {0x05, "GPIO"}, {0x0C, "PIR1"}, {0x1E, "ADRES"}, {0x1F, "ADCON0"}});
constexpr TBankRegisterNames kSet5Bank1 = Bank(kCore14Odd, {
    {0x05, "TRIS"}, {0x0C, "PIE1"}, {0x0E, "PCON"}, {0x0F, "OSCCAL"}, {0x1F, "ADCON1"}});
constexpr TBankRegisterNames kSet6Bank0 = Bank(kCore14Even, {
    {0x05, "GPIO"}, {0x0C, "PIR1"}, {0x0E, "TMR1L"}, {0x0F, "TMR1H"}, {0x10, "T1CON"},
    {0x19, "CMCON"}, {0x1E, "ADRESH"}, {0x1F, "ADCON0"}});
constexpr TBankRegisterNames kSet6Bank1 = Bank(kCore14Odd, {
    {0x05, "TRISIO"}, {0x0C, "PIE1"}, {0x0E, "PCON"}, {0x10, "OSCCAL"}, {0x15, "WPU"},
    {0x16, "IOCB"}, {0x19, "VRCON"}, {0x1A, "EEDATA"}, {0x1B, "EEADR"}, {0x1C, "EECON1"},
    {0x1D, "EECON2"}, {0x1E, "ADRESL"}, {0x1F, "ANSEL"}});
constexpr TBankRegisterNames kSet7 = Bank(kCore12, {
    {0x05, "OSCCAL"}, {0x06, "PORTB"}, {0x07, "PORTC"}});
// clang-format on

constexpr std::string_view kNoBit;

}  // namespace

constexpr TRegisterNameTable RegisterNames{{
    {kSet1Bank0, kSet2, kSet3Bank0, kSet4Bank0, kSet5Bank0, kSet6Bank0, kSet7},
    {kSet1Bank1, kSet2, kSet3Bank1, kSet4Bank1, kSet5Bank1, kSet6Bank1, kSet7},
    {kPlaceholders, kPlaceholders, kSet3Bank2, kSets456Bank2, kSets456Bank2, kSets456Bank2, kSet7},
    {kPlaceholders, kPlaceholders, kSet3Bank3, kSets456Bank3, kSets456Bank3, kSets456Bank3, kSet7},
}};

// clang-format off
constexpr std::array<TBitNameRow, kBitNameRowCount> BitNames{{
    {{"STATUS"}, 0, {"C", "DC", "Z", "NOT_PD", "NOT_TO", "RP0", "RP1", "IRP"}},
    {{"STATUS"}, 2, {"C", "DC", "Z", "NOT_PD", "NOT_TO", "PA0", kNoBit, "GPWUF"}},
    {{"OPTION_REG", "TMR0"}, 0, {"PS0", "PS1", "PS2", "PSA", "T0SE", "T0CS", "INTEDG", "NOT_RBPU"}},
    {{"OPTION_REG", "TMR0"}, 2, {"PS0", "PS1", "PS2", "PSA", "T0SE", "T0CS", "NOT_GPPU", "NOT_GPWU"}},
    {{"OPTION_REG", "TMR0"}, 5, {"PS0", "PS1", "PS2", "PSA", "T0SE", "T0CS", "INTEDG", "NOT_GPPU"}},
    {{"INTCON"}, 0, {"RBIF", "INTF", "T0IF", "RBIE", "INTE", "T0IE", "PEIE", "GIE"}},
    {{"INTCON"}, 5, {"RBIF", "INTF", "T0IF", "GPIE", "INTE", "T0IE", "PEIE", "GIE"}},
    {{"PIE1"}, 0, {"TMR1IE", "TMR2IE", "CCP1IE", "SSPIE", "TXIE", "RCIE", "ADIE", "PSPIE"}},
    {{"PIE1"}, 5, {kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, "ADIE", kNoBit}},
    {{"PCON"}, 0, {"NOT_BOR", "NOT_POR", kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit}},
    {{"PCON"}, 5, {kNoBit, "NOT_POR", kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit}},
    {{"PIE2"}, 0, {"CCP2IE", kNoBit, kNoBit, "BCLIE", "EEIE", kNoBit, kNoBit, kNoBit}},
    {{"PIR1"}, 3, {"TMR1IF", "TMR2IF", "CCP1IF", "SSPIF", "TXIF", "RCIF", "ADIF", "PSPIF"}},
    {{"PIR1"}, 4, {"TMR1IF", "TMR2IF", "CCP1IF", kNoBit, "TXIF", "RCIF", "CMIF", "EEIF"}},
    {{"PIR1"}, 5, {kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, "ADIF", kNoBit}},
    {{"PIR1"}, 0, {kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit}},
    {{"PIR2"}, 3, {"CCP2IF", kNoBit, kNoBit, "BCLIF", "EEIF", kNoBit, kNoBit, kNoBit}},
    {{"PIR2"}, 0, {kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit, kNoBit}},
    {{"T1CON"}, 0, {"TMR1ON", "TMR1CS", "NOT_T1SYNC", "T1OSCEN", "T1CKPS0", "T1CKPS1", kNoBit, kNoBit}},
    {{"T2CON"}, 0, {"T2CKPS0", "T2CKPS1", "TMR2ON", "TOUTPS0", "TOUTPS1", "TOUTPS2", "TOUTPS3", kNoBit}},
    {{"ADCON0"}, 0, {"ADON", kNoBit, "GO_DONE", "CHS0", "CHS1", "CHS2", "ADCS0", "ADCS1"}},
    {{"ADCON1"}, 0, {"PCFG0", "PCFG1", "PCFG2", "PCFG3", kNoBit, kNoBit, kNoBit, "ADFM"}},
    {{"SSPCON"}, 0, {"SSPM0", "SSPM1", "SSPM2", "SSPM3", "CKP", "SSPEN", "SSPOV", "WCOL"}},
    {{"SSPCON2"}, 0, {"SEN", "RSEN", "PEN", "RCEN", "ACKEN", "ACKDT", "ACKSTAT", "GCEN"}},
    {{"CCP1CON"}, 0, {"CCP1M0", "CCP1M1", "CCP1M2", "CCP1M3", "CCP1Y", "CCP1X", kNoBit, kNoBit}},
    {{"CCP2CON"}, 0, {"CCP2M0", "CCP2M1", "CCP2M2", "CCP2M3", "CCP2Y", "CCP2X", kNoBit, kNoBit}},
    {{"CMCON"}, 0, {"CM0", "CM1", "CM2", "CIS", "C1INV", "C2INV", "C1OUT", "C2OUT"}},
    {{"SSPSTAT"}, 0, {"BF", "UA", "R_W", "S", "P", "D_A", "CKE", "SMP"}},
    {{"TXSTA"}, 0, {"TX9D", "TRMT", "BRGH", kNoBit, "SYNC", "TXEN", "TX9", "CSRC"}},
    {{"RCSTA"}, 0, {"RX9D", "OERR", "FERR", "ADDEN", "CREN", "SREN", "RX9", "SPEN"}},
    {{"TRISE"}, 0, {"TRISE0", "TRISE1", "TRISE2", kNoBit, "PSPMODE", "IBOV", "OBF", "IBF"}},
}};
// clang-format on

namespace {

const TBitNameRow* FindBitNameRow(std::uint16_t registerSet, std::string_view registerName) {
    const TBitNameRow* fallback = nullptr;
    for (const TBitNameRow& row : BitNames) {
        if (std::find(row.Registers.begin(), row.Registers.end(), registerName) ==
            row.Registers.end()) {
            continue;
        }
        if (row.RegisterSet == registerSet) {
            return &row;
        }
        if (row.RegisterSet == kAnyOtherRegisterSet) {
            fallback = &row;
        }
    }
    return fallback;
}

// The include file gives the name this register's address (in any bank).
bool IncludeAgreesOnRegister(const TPicDevice& device, std::string_view name, std::uint16_t reg) {
    const auto value = IncludeSymbolValue(device.IncludeFile, name);
    return value && (*value & kRegisterFieldMask) == reg;
}

bool IncludeAgreesOnBit(const TPicDevice& device, std::string_view name, std::uint8_t bit) {
    const auto value = IncludeSymbolValue(device.IncludeFile, name);
    return value && *value == bit;
}

}  // namespace

std::uint16_t VariableNumber(TDisassemblyState& state, std::uint16_t reg) {
    const std::size_t used = state.NextVariable - 1u;
    const auto known = std::find(state.Variables.begin(), state.Variables.begin() + used, reg);
    if (known != state.Variables.begin() + used) {
        return static_cast<std::uint16_t>(known - state.Variables.begin() + 1);
    }
    // Only the 96 registers 0x20..0x7F become variables, so the list never fills; at() would
    // throw rather than write past it.
    state.Variables.at(used) = reg;
    return state.NextVariable++;
}

std::string RegisterName(TDisassemblyState& state, const TPicDevice& device, std::uint16_t reg,
                         std::uint8_t bank) {
    if (reg >= kFirstVariableRegister) {
        return "Var_" + HexWordText(VariableNumber(state, reg));
    }
    const std::size_t set = device.RegisterSet;
    if (set < 1 || set > kRegisterSets || bank >= kRegisterBanks) {
        return std::string(kPlaceholders.at(reg));
    }
    const std::string_view name = RegisterNames[bank][set - 1][reg];
    if (name == kPlaceholders[reg] || IncludeAgreesOnRegister(device, name, reg)) {
        return std::string(name);
    }
    return std::string(kPlaceholders[reg]);
}

bool HasBitNames(const TPicDevice& device, std::string_view registerName) {
    return FindBitNameRow(device.RegisterSet, registerName) != nullptr;
}

std::string BitName(const TPicDevice& device, std::string_view registerName, std::uint8_t bit) {
    const TBitNameRow* row = FindBitNameRow(device.RegisterSet, registerName);
    if (row != nullptr && bit < row->Bits.size()) {
        const std::string_view name = row->Bits[bit];
        if (!name.empty() && IncludeAgreesOnBit(device, name, bit)) {
            return std::string(name);
        }
    }
    return FormatByte(bit);
}

}  // namespace vantrel
