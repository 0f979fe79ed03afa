#pragma once
// Quantities, their units and engineering prefixes, rounding, power-unit conversion and
// the table of display-format conversions that traces offer.
//
// Quantity names are the system's plain texts compared by value ("Hz", "dBm", "Cmplx",
// "mW/tms", "VSWR" …). Unit texts and descriptions are Russian message ids of the
// "QuorDiagram" domain, returned translated.
#include <string>

// Units text of a quantity, translated ("Hz" -> "Гц"); the quantity itself when unknown.
std::wstring GetUnitsString(const std::wstring& quantity);
// Default number of fraction digits shown for a quantity.
int GetUnitsFractionSize(const std::wstring& quantity);
// Readable description of a quantity or display format, translated ("dB" -> "Лог. модуль").
std::wstring GetDescriptionString(const std::wstring& quantity);

// Rounds value to a multiple of 10^digits: digits −3 keeps three decimals, digits 2 rounds to
// hundreds. mode 0: nearest, ties away from zero; 1: toward −infinity; 2: toward +infinity.
// NaN and infinities pass through.
double round_to(double value, int digits, int mode = 0);

// Factor of a decimal prefix: "p" 1e-12, "n" 1e-9, "u"/"µ" 1e-6, "m" 1e-3, "" 1, "k" 1e3,
// "M" 1e6, "G" 1e9, "T" 1e12, and the Russian forms "п" "н" "мк" "м" "к" "М" "Г" "Т".
// 0 for a text that is no prefix.
double QuorFactorBySubMultiplyUnit(const std::wstring& prefix);

// True for quantities that take decimal prefixes ("Hz", "s", "m", "W", "V" …); false for
// logarithmic and dimensionless ones ("dB", "dBm" …).
bool QuantityTakesPrefix(const std::wstring& quantity);

// Splits value into mantissa × 10^exponent with an engineering exponent (a multiple of 3
// chosen so that 1 ≤ |mantissa| < 1000) for quantities that take prefixes, and exponent 0
// otherwise. Zero, NaN and infinities give mantissa = value and exponent 0.
void CalcOptimalValue(double value, double& mantissa, int& exponent, const std::wstring& quantity);
// "1.5 ГГц": the optimal mantissa with at most `digits` fraction digits (trailing zeros cut),
// a space, the translated prefix and units.
std::wstring CalcOptimalValueString(double value, const std::wstring& quantity, int digits = 3);
// Translated prefix text for an engineering exponent (-12 … 12): 9 -> "Г"; "" for 0 or others.
std::wstring GetPrefixString(int exponent);

// Converts a power or level between "dBm", "mW", "W", "V", "dBV" and "dBuV" across a
// resistance of `impedance` ohms (voltages are RMS). NaN for unknown units, a non-positive
// impedance, or a value outside the domain of the conversion (e.g. 0 mW to dBm).
double PlainConvert(double value, const std::wstring& from, const std::wstring& to,
                    double impedance = 50.0);

// The conversion-mode table: the display formats a trace can show for a source quantity.
// Row i converts data of quantity GetModeSrc(i) into the format GetModeDst(i).
int GetModeCount();
std::wstring GetModeSrc(int index);  // "" for an index outside the table
std::wstring GetModeDst(int index);  // "" for an index outside the table
