#pragma once
// Quantities, their units and engineering prefixes, rounding, power-unit conversion and
// the table of display-format conversions that traces offer.
//
// Quantity names are the system's plain texts compared by value ("Hz", "dBm", "Cmplx",
// "mW/tms", "VSWR" …). Unit texts and descriptions are Russian message ids of the
// "QuorDiagram" domain, returned translated.
//
// Known quantities: "Hz", "s", "m", "W", "V", "Ohm" (these take prefixes), "mW", "dB", "dBm",
// "dBV", "dBuV", "dBm(noise)", "dBc/Hz", "R(dB)", "T(dB)", "°" (phase, degrees), "Unwrapped"
// (unwrapped phase, degrees), "rad", "ns" (group delay in nanoseconds), "tms" (linear
// magnitude), "VSWR", "Re", "Im" (real and imaginary part), "Smith", "Polar", "Cmplx",
// "mW/tms", "Cmplx_Z" (impedance, ohms), "Cmplx_Y" (admittance, siemens), "SGram",
// "SGramWF", "SGramHM".
#include <string>

// Units text of a quantity, translated ("Hz" -> "Гц", "MHz" -> "МГц"); "" for quantities
// without units ("tms", "VSWR"); the quantity itself when unknown.
std::wstring GetUnitsString(const std::wstring& quantity);
// Default number of fraction digits shown for a quantity (3 when unknown); for quantities
// that take prefixes it is the resolution kept in base units (12 for "s").
int GetUnitsFractionSize(const std::wstring& quantity);
// Readable description of a quantity or display format, translated ("dB" -> "Лог. модуль").
std::wstring GetDescriptionString(const std::wstring& quantity);

// Rounds value to a multiple of 10^digits: digits −3 keeps three decimals, digits 2 rounds to
// hundreds. mode 0: nearest, ties away from zero; 1: toward −infinity; 2: toward +infinity.
// NaN and infinities pass through. Rounding works on the decimal value as shown with 15
// significant digits, so binary noise does not count: round_to(2.675, -2) is 2.68 and
// round_to(2.9999999999999996, 0, 1) is 3. A result beyond the range of double is ±inf.
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
// otherwise. Zero, NaN and infinities give mantissa = value and exponent 0. The exponent
// stays within −12 … 12 (the prefixes p … T), so beyond them the mantissa leaves the range.
// The mantissa is cleaned to 15 significant digits (1e-9 gives exactly 1 and −9).
void CalcOptimalValue(double value, double& mantissa, int& exponent, const std::wstring& quantity);
// "1.5 ГГц": the optimal mantissa with at most `digits` fraction digits (trailing zeros cut),
// a space, the translated prefix and units ("-12.5 дБм"; "0.5" for quantities without
// units). A mantissa that rounds up to 1000 moves to the next prefix. NaN gives "Н/Д".
std::wstring CalcOptimalValueString(double value, const std::wstring& quantity, int digits = 3);
// Translated prefix text for an engineering exponent (-12 … 12): 9 -> "Г"; "" for 0 or others.
std::wstring GetPrefixString(int exponent);

// Converts a power or level between "dBm", "mW", "W", "V", "dBV" and "dBuV" across a
// resistance of `impedance` ohms (voltages are RMS). NaN for unknown units, a non-positive
// impedance when a voltage is involved (power to power ignores it), or a value outside the
// domain of the conversion (0 mW to dBm, negative mW or V). Same units return the value.
double PlainConvert(double value, const std::wstring& from, const std::wstring& to,
                    double impedance = 50.0);

// The conversion-mode table: the display formats a trace can show for a source quantity.
// Row i converts data of quantity GetModeSrc(i) into the format GetModeDst(i). The row index
// is the "mode" stored by display-format filters, so rows keep their numbers.
//
// How to add a display format:
// 1. Append its row to kModes (common/Units.cpp), never in between, and list it below.
// 2. Give its destination quantity a row in the quantity table (units, fraction, caption).
// 3. In the display-format filter (plugins/filters/FilterQuantity) name the row in
//    EQuantityMode, convert the values in ProcessDataEx unless they pass as they are, and
//    return its plot from ModePlot when it draws in a plot of its own.
// 4. Extend the filter's conversion test with exact values of the new row.
//
//    0 "Cmplx" -> "dB"         log magnitude, 20·log10|z|
//    1 "Cmplx" -> "tms"        linear magnitude |z|
//    2 "Cmplx" -> "°"          phase, degrees in (−180, 180]
//    3 "Cmplx" -> "Unwrapped"  phase without the ±180° jumps
//    4 "Cmplx" -> "ns"         group delay, nanoseconds
//    5 "Cmplx" -> "VSWR"       (1 + |z|) / (1 − |z|)
//    6 "Cmplx" -> "Re"         real part
//    7 "Cmplx" -> "Im"         imaginary part
//    8 "Cmplx" -> "Smith"      complex, on the Smith chart
//    9 "Cmplx" -> "Polar"      complex, on the polar chart
//   10 "Cmplx" -> "Cmplx_Z"    impedance from the reflection coefficient
//   11 "Cmplx" -> "Cmplx_Y"    admittance from the reflection coefficient
//   12 "mW/tms" -> "dBm"       10·log10
//   13 "mW/tms" -> "mW"        as is
//   14 "dBm" -> "dBm"          as is
//   15 "dBm" -> "mW"           PlainConvert
//   16 "dBm" -> "dBuV"         PlainConvert at the measurement's impedance
//   17 "dBm" -> "V"            PlainConvert at the measurement's impedance
//   18 "dBm" -> "SGram"        as is, drawn as a spectrogram of the sweep history
//   19 "dBm" -> "SGramWF"      as is, drawn as a waterfall
//   20 "dBm" -> "SGramHM"      as is, drawn as a heat map
int GetModeCount();
std::wstring GetModeSrc(int index);  // "" for an index outside the table
std::wstring GetModeDst(int index);  // "" for an index outside the table
