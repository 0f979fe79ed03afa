#include "common/Units.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string_view>

#include "common/Assert.h"
#include "common/Text.h"

namespace {

// One row per quantity name. units and description are message ids; an empty units text
// means the values carry no units. fraction is the default number of decimals: for
// quantities that take prefixes it is the resolution kept in base units.
struct SQuantity {
  std::wstring_view name;  // with its length, so most rows are passed over on that alone
  const char* units;
  int fraction;
  const char* description;
  bool prefix;
};

constexpr SQuantity kQuantities[] = {
    {L"Hz", TrNoop("Гц"), 3, TrNoop("Частота"), true},
    {L"s", TrNoop("с"), 12, TrNoop("Время"), true},
    {L"m", TrNoop("м"), 6, TrNoop("Расстояние"), true},
    {L"W", TrNoop("Вт"), 15, TrNoop("Мощность, Вт"), true},
    {L"V", TrNoop("В"), 9, TrNoop("Напряжение, В"), true},
    {L"Ohm", TrNoop("Ом"), 3, TrNoop("Сопротивление"), true},
    {L"mW", TrNoop("мВт"), 12, TrNoop("Мощность, мВт"), false},
    {L"dB", TrNoop("дБ"), 3, TrNoop("Лог. модуль"), false},
    {L"dBm", TrNoop("дБм"), 3, TrNoop("Мощность, дБм"), false},
    {L"dBV", TrNoop("дБВ"), 3, TrNoop("Напряжение, дБВ"), false},
    {L"dBuV", TrNoop("дБмкВ"), 3, TrNoop("Напряжение, дБмкВ"), false},
    {L"dBm(noise)", TrNoop("дБм"), 3, TrNoop("Уровень шума"), false},
    {L"dBc/Hz", TrNoop("дБн/Гц"), 2, TrNoop("Фазовые шумы"), false},
    {L"R(dB)", TrNoop("дБ"), 3, TrNoop("Отражение"), false},
    {L"T(dB)", TrNoop("дБ"), 3, TrNoop("Передача"), false},
    {L"°", TrNoop("°"), 2, TrNoop("Фаза"), false},
    {L"Unwrapped", TrNoop("°"), 2, TrNoop("Разв. фаза"), false},
    {L"rad", TrNoop("рад"), 4, TrNoop("Фаза, рад"), false},
    // Group delay; the values are nanoseconds.
    {L"ns", TrNoop("нс"), 3, TrNoop("ГВЗ"), false},
    {L"tms", "", 4, TrNoop("Лин. модуль"), false},
    {L"VSWR", "", 3, TrNoop("КСВН"), false},
    {L"Re", "", 4, TrNoop("Реальная часть"), false},
    {L"Im", "", 4, TrNoop("Мнимая часть"), false},
    {L"Smith", "", 4, TrNoop("Диаграмма Смита"), false},
    {L"Polar", "", 4, TrNoop("Полярная"), false},
    {L"Cmplx", "", 4, TrNoop("Комплексные данные"), false},
    {L"mW/tms", "", 4, TrNoop("Линейные данные"), false},
    {L"Cmplx_Z", TrNoop("Ом"), 3, TrNoop("Импеданс"), true},
    {L"Cmplx_Y", TrNoop("См"), 6, TrNoop("Адмиттанс"), true},
    {L"SGram", TrNoop("дБм"), 2, TrNoop("Спектрограмма"), false},
    {L"SGramWF", TrNoop("дБм"), 2, TrNoop("Водопад"), false},
    {L"SGramHM", TrNoop("дБм"), 2, TrNoop("Тепловая карта"), false},
};

// Decimal prefixes: Latin form, its alternative, the Russian message id, the exponent.
struct SPrefix {
  const wchar_t* latin;
  const wchar_t* alternative;
  const char* russian;
  int exponent;
};

constexpr SPrefix kPrefixes[] = {
    {L"p", nullptr, TrNoop("п"), -12}, {L"n", nullptr, TrNoop("н"), -9},
    {L"u", L"\u00B5", TrNoop("мк"), -6}, {L"m", nullptr, TrNoop("м"), -3},
    {L"k", nullptr, TrNoop("к"), 3},   {L"M", nullptr, TrNoop("М"), 6},
    {L"G", nullptr, TrNoop("Г"), 9},   {L"T", nullptr, TrNoop("Т"), 12},
};

constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,
                             1e7, 1e8, 1e9, 1e10, 1e11, 1e12};

// The display formats, by mode number (the rows are described in Units.h). The mode number
// is stored in traces' display-format filters, so rows are only ever appended.
struct SMode {
  const wchar_t* source;
  const wchar_t* destination;
};

constexpr SMode kModes[] = {
    {L"Cmplx", L"dB"},      {L"Cmplx", L"tms"},     {L"Cmplx", L"°"},
    {L"Cmplx", L"Unwrapped"}, {L"Cmplx", L"ns"},    {L"Cmplx", L"VSWR"},
    {L"Cmplx", L"Re"},      {L"Cmplx", L"Im"},      {L"Cmplx", L"Smith"},
    {L"Cmplx", L"Polar"},   {L"Cmplx", L"Cmplx_Z"}, {L"Cmplx", L"Cmplx_Y"},
    {L"mW/tms", L"dBm"},    {L"mW/tms", L"mW"},
    {L"dBm", L"dBm"},       {L"dBm", L"mW"},        {L"dBm", L"dBuV"},
    {L"dBm", L"V"},
    {L"dBm", L"SGram"},     {L"dBm", L"SGramWF"},   {L"dBm", L"SGramHM"},
};

const SQuantity* FindQuantity(std::wstring_view name) {
  for (const auto& q : kQuantities)
    if (name == q.name) return &q;
  return nullptr;
}

const SPrefix* FindPrefix(const std::wstring& text) {
  for (const auto& p : kPrefixes) {
    if (text == p.latin || (p.alternative && text == p.alternative) ||
        text == Utf8ToWide(p.russian))
      return &p;
  }
  return nullptr;
}

std::wstring Translated(const char* msgid) { return *msgid ? Tr(msgid) : std::wstring(); }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Significant digits a double carries reliably; digits beyond are representation noise
// (0.1 + 0.2 = 0.30000000000000004) and are cleaned before rounding.
constexpr int kCleanDigits = 15;

// A decimal number: sign × digits × 10^exponent, digits without leading zeros.
struct SDecimal {
  bool negative = false;
  char digits[32] = {};
  int count = 0;
  int exponent = 0;  // place value of the last digit
};

// Parses the scientific text of std::to_chars ("-1.2345e+02") into a decimal.
SDecimal ParseScientific(const char* first, const char* last) {
  SDecimal d;
  const char* p = first;
  if (p < last && *p == '-') {
    d.negative = true;
    ++p;
  }
  int pointExp = 0;
  for (; p < last && *p != 'e'; ++p) {
    if (*p == '.') continue;
    d.digits[d.count++] = *p;
  }
  if (p < last) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), last, pointExp);
  d.exponent = pointExp - (d.count - 1);
  // Trailing zeros carry no information.
  while (d.count > 1 && d.digits[d.count - 1] == '0') {
    --d.count;
    ++d.exponent;
  }
  return d;
}

double ToDouble(const SDecimal& d) {
  char text[48];
  char* p = text;
  if (d.negative) *p++ = '-';
  std::memcpy(p, d.digits, static_cast<size_t>(d.count));
  p += d.count;
  *p++ = 'e';
  p = std::to_chars(p, text + sizeof text, d.exponent).ptr;
  double result = 0.0;
  auto [end, ec] = std::from_chars(text, p, result);
  if (ec == std::errc::result_out_of_range) {
    // Beyond the range of double: the magnitude of the decimal decides.
    result = d.exponent + d.count > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (d.negative) result = -result;
  }
  return result;
}

}  // namespace

// Rounding works on the decimal value as shown: the binary value is first written with
// 15 significant digits (its noise dropped: 2.675 is stored as 2.67499999… and must still
// round to 2.68), and the rounding itself is then done exactly on those decimal digits.
// Where 10^digits is finer than the 15th significant digit, the shortest text that reads
// back exactly is used instead, so the value comes back unchanged. No power of ten is ever
// computed in binary, so any digits (±400 as well) is safe.
double round_to(double value, int digits, int mode) {
  if (!std::isfinite(value) || value == 0.0) return value;
  if (!PV_ASSERT(mode >= 0 && mode <= 2)) mode = 0;
  // A whole number of at most 15 digits is its own 15-digit text and has no digits below
  // the ones: nothing to round.
  if (digits <= 0 && std::fabs(value) < 1e15 && std::trunc(value) == value) return value;

  char text[64];
  auto res = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific,
                           kCleanDigits - 1);
  SDecimal d = ParseScientific(text, res.ptr);
  if (digits < d.exponent + d.count - kCleanDigits) {
    res = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    d = ParseScientific(text, res.ptr);
  }

  // Number of leading digits whose place value is at least 10^digits.
  const int lead = d.exponent + d.count - 1;  // place of the first digit
  const long long keep = static_cast<long long>(lead) - digits + 1;
  if (keep >= d.count) return ToDouble(d);

  bool up = false;  // away from zero
  if (keep < 0) {
    up = mode == 1 ? d.negative : mode == 2 ? !d.negative : false;
  } else {
    const int k = static_cast<int>(keep);
    if (mode == 0) {
      up = d.digits[k] >= '5';
    } else {
      // Dropped digits are never all zero: trailing zeros were cut.
      up = mode == 1 ? d.negative : !d.negative;
    }
  }
  if (keep <= 0) {
    if (!up) return 0.0;
    d.digits[0] = '1';
    d.count = 1;
    d.exponent = digits;
    return ToDouble(d);
  }
  d.count = static_cast<int>(keep);
  d.exponent = digits;
  if (up) {
    int i = d.count - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      // 999 -> 1000: one more digit at the front.
      std::memmove(d.digits + 1, d.digits, static_cast<size_t>(d.count));
      d.digits[0] = '1';
      ++d.count;
    }
  }
  return ToDouble(d);
}


std::wstring GetUnitsString(const std::wstring& quantity) {
  if (const SQuantity* q = FindQuantity(quantity)) return Translated(q->units);
  // A prefixed name such as "MHz" or "ms".
  for (const auto& p : kPrefixes) {
    for (const wchar_t* form : {p.latin, p.alternative}) {
      if (!form) continue;
      const std::wstring_view f(form);
      if (quantity.size() <= f.size() || quantity.compare(0, f.size(), f) != 0) continue;
      const SQuantity* q = FindQuantity(quantity.substr(f.size()));
      if (q && q->prefix) return Tr(p.russian) + Translated(q->units);
    }
  }
  return quantity;
}

int GetUnitsFractionSize(const std::wstring& quantity) {
  const SQuantity* q = FindQuantity(quantity);
  return q ? q->fraction : 3;
}

std::wstring GetDescriptionString(const std::wstring& quantity) {
  const SQuantity* q = FindQuantity(quantity);
  return q ? Tr(q->description) : quantity;
}

double QuorFactorBySubMultiplyUnit(const std::wstring& prefix) {
  if (prefix.empty()) return 1.0;
  const SPrefix* p = FindPrefix(prefix);
  if (!p) return 0.0;
  return p->exponent >= 0 ? kPow10[p->exponent] : 1.0 / kPow10[-p->exponent];
}

bool QuantityTakesPrefix(const std::wstring& quantity) {
  const SQuantity* q = FindQuantity(quantity);
  return q && q->prefix;
}

void CalcOptimalValue(double value, double& mantissa, int& exponent,
                      const std::wstring& quantity) {
  mantissa = value;
  exponent = 0;
  if (!std::isfinite(value) || value == 0.0 || !QuantityTakesPrefix(quantity)) return;

  // One correctly rounded operation by an exact power of ten (10^0 … 10^12).
  const auto scale = [value](int e) { return e >= 0 ? value / kPow10[e] : value * kPow10[-e]; };
  const double magnitude = std::floor(std::log10(std::fabs(value)));
  int e = static_cast<int>(std::clamp(std::floor(magnitude / 3.0) * 3.0, -12.0, 12.0));
  double m = scale(e);
  // log10 and the scaling may each be a unit off near a power of ten.
  for (int step = 0; step < 2; ++step) {
    if (std::fabs(m) >= 1000.0 && e < 12) {
      e += 3;
      m = scale(e);
    } else if (std::fabs(m) < 1.0 && e > -12) {
      e -= 3;
      m = scale(e);
    }
  }
  // Cleaned to the 15 digits the value really has (1.4999999999999998 -> 1.5); this may
  // carry 999.99999999999994 up to 1000, which belongs to the next prefix.
  const double a = std::fabs(m);
  m = round_to(m, (a >= 100.0 ? 2 : a >= 10.0 ? 1 : 0) - (kCleanDigits - 1));
  if (std::fabs(m) >= 1000.0 && e < 12) {
    m /= 1000.0;
    e += 3;
  }
  mantissa = m;
  exponent = e;
}

std::wstring GetPrefixString(int exponent) {
  for (const auto& p : kPrefixes)
    if (p.exponent == exponent) return Tr(p.russian);
  return {};
}

std::wstring CalcOptimalValueString(double value, const std::wstring& quantity, int digits) {
  const std::wstring units = GetUnitsString(quantity);
  if (std::isnan(value)) return Tr("Н/Д");
  digits = std::clamp(digits, 0, 15);
  double m = 0.0;
  int e = 0;
  CalcOptimalValue(value, m, e, quantity);
  std::wstring number;
  if (std::isinf(value)) {
    number = value > 0 ? L"∞" : L"-∞";
  } else {
    m = round_to(m, -digits);
    // 999.9996 kHz is shown as 1 MHz.
    if (std::fabs(m) >= 1000.0 && QuantityTakesPrefix(quantity) && e < 12) {
      m = round_to(m / 1000.0, -digits);
      e += 3;
    }
    if (m == 0.0) m = 0.0;  // no "-0"
    char text[400];
    const auto res = std::to_chars(text, text + sizeof text, m, std::chars_format::fixed, digits);
    std::string_view view(text, static_cast<size_t>(res.ptr - text));
    if (view.find('.') != std::string_view::npos) {
      while (view.back() == '0') view.remove_suffix(1);
      if (view.back() == '.') view.remove_suffix(1);
    }
    number.assign(view.begin(), view.end());
  }
  if (units.empty()) return number;
  return number + L" " + GetPrefixString(e) + units;
}

namespace {

enum class EPowerUnit { puNone, puDBm, puDBV, puDBuV, puMW, puW, puV };

EPowerUnit PowerUnit(const std::wstring& name) {
  if (name == L"dBm") return EPowerUnit::puDBm;
  if (name == L"dBV") return EPowerUnit::puDBV;
  if (name == L"dBuV") return EPowerUnit::puDBuV;
  if (name == L"mW") return EPowerUnit::puMW;
  if (name == L"W") return EPowerUnit::puW;
  if (name == L"V") return EPowerUnit::puV;
  return EPowerUnit::puNone;
}

bool IsLogarithmic(EPowerUnit u) {
  return u == EPowerUnit::puDBm || u == EPowerUnit::puDBV || u == EPowerUnit::puDBuV;
}

bool IsVoltage(EPowerUnit u) {
  return u == EPowerUnit::puV || u == EPowerUnit::puDBV || u == EPowerUnit::puDBuV;
}

// A logarithmic level minus its offset gives the level in dBW: dBV and dBuV relate to
// power through V² = P·R, i.e. 20·log10 V = 10·log10 P + 10·log10 R.
double LevelOffset(EPowerUnit u, double impedance) {
  switch (u) {
    case EPowerUnit::puDBm: return 30.0;
    case EPowerUnit::puDBV: return 10.0 * std::log10(impedance);
    case EPowerUnit::puDBuV: return 10.0 * std::log10(impedance) + 120.0;
    default: return 0.0;
  }
}

}  // namespace

// Logarithmic units convert among themselves by adding offsets (exact, no exp/log round
// trip); everything else goes through watts.
double PlainConvert(double value, const std::wstring& from, const std::wstring& to,
                    double impedance) {
  const EPowerUnit f = PowerUnit(from);
  const EPowerUnit t = PowerUnit(to);
  if (f == EPowerUnit::puNone || t == EPowerUnit::puNone) return kNaN;
  if (f == t) return value;
  if ((IsVoltage(f) || IsVoltage(t)) && !(impedance > 0.0 && std::isfinite(impedance)))
    return kNaN;

  if (IsLogarithmic(f) && IsLogarithmic(t))
    return value - LevelOffset(f, impedance) + LevelOffset(t, impedance);

  double watts = 0.0;
  if (IsLogarithmic(f)) {
    watts = std::pow(10.0, (value - LevelOffset(f, impedance)) / 10.0);
  } else {
    if (!(value >= 0.0)) return kNaN;  // negative power or RMS voltage, NaN
    watts = f == EPowerUnit::puMW ? value / 1000.0
            : f == EPowerUnit::puW ? value
                                    : value * value / impedance;
  }
  if (IsLogarithmic(t)) {
    if (!(watts > 0.0)) return kNaN;
    return 10.0 * std::log10(watts) + LevelOffset(t, impedance);
  }
  switch (t) {
    case EPowerUnit::puMW: return watts * 1000.0;
    case EPowerUnit::puW: return watts;
    default: return std::sqrt(watts * impedance);
  }
}

int GetModeCount() { return static_cast<int>(std::size(kModes)); }

std::wstring GetModeSrc(int index) {
  if (index < 0 || index >= GetModeCount()) return {};
  return kModes[index].source;
}

std::wstring GetModeDst(int index) {
  if (index < 0 || index >= GetModeCount()) return {};
  return kModes[index].destination;
}
