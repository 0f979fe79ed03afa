#include "core/DiagCommonLib.h"

#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <vector>

#include "common/Assert.h"
#include "common/Settings.h"
#include "common/Text.h"

// ---- numbers and text ----

namespace {

constexpr int kMaxPrecision = 15;   // what a double holds without binary noise
constexpr int kMaxExponentDigits = 4;

// A rounded decimal: value = 0.d1d2d3… × 10^exponent. No trailing zeros; empty for zero.
struct SDecimal {
  std::string digits;
  int exponent = 0;
};

void TrimTrailingZeros(SDecimal& d) {
  const auto last = d.digits.find_last_not_of('0');
  d.digits.erase(last == std::string::npos ? 0 : last + 1);
  if (d.digits.empty()) d.exponent = 0;
}

// From printf's "%e" output "d.ddde±XX".
SDecimal FromScientific(const char* text) {
  SDecimal d;
  const char* p = text;
  for (; *p != '\0' && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.digits += *p;
  if (*p == 'e') d.exponent = std::atoi(p + 1) + 1;
  TrimTrailingZeros(d);
  return d;
}

// From printf's "%f" output "ddd.ddd".
SDecimal FromFixed(const char* text) {
  SDecimal d;
  int intDigits = 0;
  bool seenPoint = false;
  bool leading = true;
  int leadingZeros = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '.') {
      seenPoint = true;
      continue;
    }
    if (!seenPoint) ++intDigits;
    if (leading && *p == '0') {
      ++leadingZeros;
      continue;
    }
    leading = false;
    d.digits += *p;
  }
  d.exponent = intDigits - leadingZeros;
  TrimTrailingZeros(d);
  return d;
}

// |value| rounded to `precision` significant digits and, when decimals ≥ 0, to no more
// than that many digits after the point.
SDecimal Decompose(double absValue, int precision, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, absValue);
  SDecimal d = FromScientific(buf);
  if (decimals >= 0 && !d.digits.empty() && d.exponent + decimals < precision) {
    // The last kept digit is a decimal place; round there (the value is below 1e15).
    std::snprintf(buf, sizeof buf, "%.*f", decimals, absValue);
    d = FromFixed(buf);
  }
  return d;
}

std::wstring LocaleText(const char* text, const wchar_t* fallback) {
  if (text == nullptr || *text == '\0') return fallback;
  return Utf8ToWide(text);
}

struct SSeparators {
  std::wstring decimal;
  std::wstring thousands;
};

SSeparators NumericSeparators() {
  const std::lconv* lc = std::localeconv();
  SSeparators s;
  s.decimal = LocaleText(lc->decimal_point, L".");
  // The C locale has no thousands separator; the number format still groups digits.
  s.thousands = LocaleText(lc->thousands_sep, s.decimal == L"," ? L"." : L",");
  return s;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring ExponentText(int exponent, bool plusSign) {
  std::wstring out = L"E";
  if (exponent < 0) out += L'-';
  else if (plusSign) out += L'+';
  std::wstring digits = std::to_wstring(std::abs(exponent));
  if (digits.size() < kMaxExponentDigits) digits.insert(0, kMaxExponentDigits - digits.size(), L'0');
  return out + digits;
}

std::wstring GroupThousands(const std::wstring& integer, const std::wstring& separator) {
  std::wstring out;
  const std::size_t n = integer.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += separator;
    out += integer[i];
  }
  return out;
}

std::wstring FormatGeneral(const SDecimal& d, int precision, const SSeparators& sep) {
  if (d.digits.empty()) return L"0";
  const std::wstring digits = Widen(d.digits);
  if (d.exponent > precision || d.exponent < -4) {
    std::wstring out(1, digits[0]);
    if (digits.size() > 1) out += sep.decimal + digits.substr(1);
    return out + ExponentText(d.exponent - 1, false);
  }
  if (d.exponent <= 0) return L"0" + sep.decimal + std::wstring(-d.exponent, L'0') + digits;
  const std::size_t intLen = static_cast<std::size_t>(d.exponent);
  if (digits.size() <= intLen) return digits + std::wstring(intLen - digits.size(), L'0');
  return digits.substr(0, intLen) + sep.decimal + digits.substr(intLen);
}

std::wstring FormatExponent(const SDecimal& d, int precision, const SSeparators& sep) {
  std::wstring digits = Widen(d.digits);
  digits.resize(static_cast<std::size_t>(precision), L'0');
  std::wstring out(1, digits[0]);
  if (precision > 1) out += sep.decimal + digits.substr(1);
  return out + ExponentText(d.digits.empty() ? 0 : d.exponent - 1, true);
}

// Fixed notation with kFloatDigits decimals, digits grouped when `group`.
std::wstring FormatFixed(const SDecimal& d, int precision, bool group, const SSeparators& sep) {
  if (d.exponent > precision) return FormatGeneral(d, precision, sep);
  const std::wstring digits = Widen(d.digits);
  std::wstring integer = L"0";
  std::wstring fraction;
  if (d.exponent > 0) {
    const std::size_t intLen = static_cast<std::size_t>(d.exponent);
    integer = digits.substr(0, intLen);
    integer.resize(intLen, L'0');
    if (digits.size() > intLen) fraction = digits.substr(intLen);
  } else {
    fraction = std::wstring(-d.exponent, L'0') + digits;
  }
  fraction.resize(kFloatDigits, L'0');
  if (group) integer = GroupThousands(integer, sep.thousands);
  return integer + sep.decimal + fraction;
}

std::wstring FormatCurrency(const std::wstring& amount, bool negative) {
  const std::lconv* lc = std::localeconv();
  const std::wstring symbol = LocaleText(lc->currency_symbol, L"");
  const char precedes = negative ? lc->n_cs_precedes : lc->p_cs_precedes;
  const char spaced = negative ? lc->n_sep_by_space : lc->p_sep_by_space;
  const std::wstring space = (spaced == 1 || spaced == 2) ? L" " : L"";
  std::wstring out = negative ? L"-" : L"";
  if (symbol.empty()) return out + amount;
  if (precedes == 1) return out + symbol + space + amount;
  return out + amount + space + symbol;
}

}  // namespace

std::wstring DoubleToStr(double value, TFloatFormat format, int precision) {
  if (std::isnan(value)) return L"NAN";
  if (std::isinf(value)) return value > 0 ? L"INF" : L"-INF";
  if (precision < 1) precision = 1;
  if (precision > kMaxPrecision) precision = kMaxPrecision;

  const bool fixedLike = format == ffFixed || format == ffNumber || format == ffCurrency;
  const SDecimal d = Decompose(std::fabs(value), precision, fixedLike ? kFloatDigits : -1);
  // A value that rounds to zero shows no sign.
  const bool negative = std::signbit(value) && !d.digits.empty();

  SSeparators sep = NumericSeparators();
  std::wstring text;
  switch (format) {
    case ffExponent:
      text = FormatExponent(d, precision, sep);
      break;
    case ffFixed:
      text = FormatFixed(d, precision, false, sep);
      break;
    case ffNumber:
      text = FormatFixed(d, precision, true, sep);
      break;
    case ffCurrency: {
      const std::lconv* lc = std::localeconv();
      sep.decimal = LocaleText(lc->mon_decimal_point, sep.decimal.c_str());
      sep.thousands = LocaleText(lc->mon_thousands_sep, sep.thousands.c_str());
      return FormatCurrency(FormatFixed(d, precision, true, sep), negative);
    }
    case ffGeneral:
    default:
      text = FormatGeneral(d, precision, sep);
      break;
  }
  return negative ? L"-" + text : text;
}

EConvertError::EConvertError(const std::wstring& text)
    : std::runtime_error(WideToUtf8(Tr("Текст не является числом") + L": \"" + text + L"\"")),
      text_(text) {}

double StrToDouble(const char* text) {
  if (text == nullptr) throw EConvertError(L"");
  std::string s = text;
  const auto first = s.find_first_not_of(" \t\r\n");
  const auto last = s.find_last_not_of(" \t\r\n");
  if (first == std::string::npos) throw EConvertError(Utf8ToWide(s));
  std::string number = s.substr(first, last - first + 1);

  // Every mark that may be a decimal separator becomes one; a text with two of them (a
  // thousands point and a decimal comma) then fails as a whole.
  const std::string localeDecimal = std::localeconv()->decimal_point;
  if (!localeDecimal.empty() && localeDecimal != "." && localeDecimal != ",")
    for (auto pos = number.find(localeDecimal); pos != std::string::npos;
         pos = number.find(localeDecimal, pos + 1))
      number.replace(pos, localeDecimal.size(), ".");
  for (char& c : number)
    if (c == ',') c = '.';

  const char* begin = number.data();
  const char* end = begin + number.size();
  if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-' && begin[1] != '+') ++begin;
  double value = 0.0;
  const auto result = std::from_chars(begin, end, value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end) throw EConvertError(Utf8ToWide(s));
  return value;
}

// ---- display names ----

namespace {

struct SNotation {
  const char* key;
  const char* longText;
  const char* shortText;  // null: the long text serves both
};

// Rows 0–21 name property pages and plug-ins, 22–24 the trace kinds with their marks,
// 25–27 channel kinds.
constexpr SNotation kNotations[] = {
    {"Control", TrNoop("Управление"), nullptr},
    {"Diagram", TrNoop("Диаграмма"), nullptr},
    {"Trace", TrNoop("Трассы"), nullptr},
    {"Arrangement", TrNoop("Вид диаграмм"), TrNoop("Вид диаграмм")},
    {"Appearance", TrNoop("Оформление диаграммы"), TrNoop("Оформление")},
    {"Main", TrNoop("Общие"), nullptr},
    {"Static_trace", TrNoop("Трасса памяти"), nullptr},
    {"Line", TrNoop("Линии"), nullptr},
    {"Scale", TrNoop("Масштаб"), nullptr},
    {"Statistics", TrNoop("Статистика"), nullptr},
    {"Smoothing", TrNoop("Сглаживание"), nullptr},
    {"Display_format", TrNoop("Формат"), TrNoop("Формат")},
    {"Limiting", TrNoop("Ограничение"), nullptr},
    {"Accumulation", TrNoop("Накопление"), nullptr},
    {"Time_domain", TrNoop("Временная область"), TrNoop("Врем.область")},
    {"Gating", TrNoop("Фильтрация"), nullptr},
    {"Report manager", TrNoop("Отчет"), nullptr},
    {"S-parameters", TrNoop("S-параметры"), nullptr},
    {"Phase_delay", TrNoop("Фазовая задержка"), TrNoop("Фаз.задержка")},
    {"Phase noise", TrNoop("Фазовые шумы"), nullptr},
    {"Averaging", TrNoop("Усреднение"), nullptr},
    {"Meas_wizard", TrNoop("Добавить измерения"), nullptr},
    {"Measuring", TrNoop("И"), nullptr},
    {"Memory", TrNoop("П"), nullptr},
    {"Math", TrNoop("М"), nullptr},
    {"Канал ЧХ", TrNoop("Канал ЧХ"), TrNoop("ЧХ")},
    {"Канал ДИ", TrNoop("Канал ДИ"), TrNoop("ДИ")},
    {"Канал АС", TrNoop("Канал АС"), TrNoop("АС")},
};
static_assert(std::size(kNotations) == 28);

}  // namespace

namespace {

// The notation table with its texts translated, rebuilt when the translations change: trace
// lists look a channel's notation up for every row they fill.
struct SNotationTexts {
  std::wstring key, translatedKey, longText, shortText;
};

const std::vector<SNotationTexts>& NotationTexts() {
  static std::vector<SNotationTexts> texts;
  static int generation = -1;
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  const int now = TranslationGeneration();
  if (generation != now || texts.empty()) {
    texts.clear();
    for (const SNotation& row : kNotations) {
      texts.push_back({Utf8ToWide(row.key), Tr(row.key), Tr(row.longText),
                       row.shortText != nullptr ? Tr(row.shortText) : Tr(row.longText)});
    }
    generation = now;
  }
  return texts;
}

}  // namespace

std::wstring GetNotationString(const wchar_t* notation, bool shortForm) {
  if (notation == nullptr) return {};
  const std::wstring name = notation;
  const std::vector<SNotationTexts>& texts = NotationTexts();
  // From the last row, so the channel kinds win over anything translated alike.
  for (auto row = texts.rbegin(); row != texts.rend(); ++row) {
    if (row->key != name && row->translatedKey != name) continue;
    return shortForm ? row->shortText : row->longText;
  }
  return name;
}

void ReplaceString(std::wstring& text, const std::wstring& what, const std::wstring& with) {
  if (!PV_ASSERT(!what.empty())) return;
  const std::wstring lowWhat = ToLowerText(what);
  const std::wstring lowWith = ToLowerText(with);
  std::wstring lowText = ToLowerText(text);

  // A replacement holding the searched text would be found again for ever.
  const bool singlePass = !PV_ASSERT_MSG(lowWith.find(lowWhat) == std::wstring::npos,
                                         "replacement contains the searched text");
  // Even without that, some pairs keep rebuilding an occurrence from their neighbours
  // ("ab" → "bbaa" in "aab"); a budget stops them.
  const std::size_t budget = 4 * text.size() + 1024;
  std::size_t count = 0;
  std::size_t from = 0;
  for (auto pos = lowText.find(lowWhat, from); pos != std::wstring::npos; pos = lowText.find(lowWhat, from)) {
    if (!PV_ASSERT_MSG(++count <= budget, "replacements do not come to an end")) return;
    text.replace(pos, what.size(), with);
    lowText.replace(pos, what.size(), lowWith);
    // There was no occurrence before pos, so a new one must overlap the inserted text;
    // searching from here finds the same first occurrence as a search from the start.
    from = singlePass ? pos + with.size() : (pos + 1 >= what.size() ? pos + 1 - what.size() : 0);
  }
}

namespace {

struct SPathParts {
  std::string name;
  std::string ext;  // with its leading dot, as _splitpath gives it
};

SPathParts SplitPath(const char* path) {
  SPathParts parts;
  if (path == nullptr) return parts;
  std::string_view p = path;
  if (p.size() >= 2 && p[1] == ':') p.remove_prefix(2);  // drive
  const auto slash = p.find_last_of("/\\");
  if (slash != std::string_view::npos) p.remove_prefix(slash + 1);
  const auto dot = p.rfind('.');
  if (dot == std::string_view::npos) {
    parts.name = p;
  } else {
    parts.name = p.substr(0, dot);
    parts.ext = p.substr(dot);
  }
  return parts;
}

}  // namespace

std::wstring ExExtractFileName(const char* path) { return Utf8ToWide(SplitPath(path).name); }

std::wstring ExExtractFileExt(const char* path) {
  const SPathParts parts = SplitPath(path);
  return parts.ext.empty() ? std::wstring() : Utf8ToWide(parts.ext.substr(1));
}

std::wstring ExExtractFullFileName(const char* path) {
  const SPathParts parts = SplitPath(path);
  return Utf8ToWide(parts.name + parts.ext);
}

// ---- colour themes ----

namespace {

constexpr TColor N = clNone;
constexpr TColor H(std::uint32_t rrggbb) { return HexColor(rrggbb); }

constexpr SColorTheme kThemes[] = {
    {{H(0xFFFFFF), H(0xDDDDDD), H(0xA6CAF0), H(0x95B5D8),                           // 0–3
      H(0xFF1818), H(0x009432), H(0x3742FA), H(0xFF00FF), H(0x44BD32), H(0x00A8FF),  // 4–9
      H(0xFF6348), H(0x16A085), H(0x8E44AD), H(0x800000), H(0x1E3799), H(0x218C74),  // 10–15
      clWindow, H(0xF1CA58), H(0xFDF9D9), H(0xFDE38A), H(0x000000),                  // 16–20
      clBtnFace, clBtnFace, clBtnFace, H(0x000000), 12, 8, 3},                       // 21–27
     TrNoop("Стандартная")},
    {{H(0x000000), H(0x3F3F3F), H(0x959595), H(0x737373),
      H(0xFFFF00), H(0xFF0000), H(0x00FFFF), H(0x00FF00), H(0xFF00FF), H(0xFF6600),
      H(0xA0A0A4), H(0x800000), H(0x008000), H(0x0000FF), H(0x808000), H(0x008080),
      clWindow, H(0x7EB4EA), H(0xE4F0FC), H(0xE4F0FC), H(0x000000),
      H(0x464646), H(0x808080), H(0x808080), clBtnFace, 12, 8, 3},
     TrNoop("Черная")},
    {{H(0xF0F0F0), H(0xC3C3C3), H(0xC0C0C0), H(0xACACAC),
      H(0xFF0000), H(0x0000FF), H(0x008000), H(0xFF00FF), H(0xFF6600), H(0x008080),
      H(0x800000), H(0x00FFFF), H(0x808000), H(0xFF0080), H(0x000080), H(0xCC99FF),
      clWindow, H(0xF1CA58), H(0xFDF9D9), H(0xFDE38A), H(0x000000),
      clBtnFace, clBtnFace, clBtnFace, H(0x000000), 12, 8, 3},
     TrNoop("Ретро")},
};

constexpr SColorTheme kBWTheme = {
    {{H(0xFFFFFF), H(0xDDDDDD), H(0xCFCFCF), H(0xCFCFCF),
      N, N, N, N, N, N, N, N, N, N, N, N,
      clWindow, H(0xF1CA58), H(0xFDF9D9), H(0xFDE38A), H(0x000000),
      clBtnFace, clBtnFace, clBtnFace, H(0x000000), 0, 0, 0}},
    ""};

}  // namespace

bool SColorTheme::IsBright() const { return ColorBrightness(colors[ctsBackground]) > 128; }

int GetColorThemeCount() { return static_cast<int>(std::size(kThemes)); }

const SColorTheme* GetColorTheme(unsigned index) {
  const unsigned count = static_cast<unsigned>(GetColorThemeCount());
  if (index >= count) {
    AssertFunction(__DATE__, __FILE_NAME__, __PRETTY_FUNCTION__, __LINE__, "index < GetColorThemeCount()");
    index = count - 1;
  }
  return &kThemes[index];
}

const SColorTheme* GetBWTheme() { return &kBWTheme; }

TColor ColorToGreyscale(TColor c) {
  const auto level = static_cast<std::uint8_t>(ColorBrightness(c));
  return RGBColor(level, level, level);
}

// ---- results returned to the host ----

std::wstring GetErrorDescription(int code) {
  switch (code) {
    case drOk: return Tr("Нет ошибок");
    case drNoSuchPlugin: return Tr("Плагина с таким именем нет");
    case drFilterInitFailed: return Tr("Ошибка инициализации фильтра");
    case drNoSuchTrace: return Tr("Трассы с таким именем нет");
    case drTooManyTraces:
      return Tr("Достигнуто максимальное количество трасс на диаграмме. Удалите неиспользуемые трассы.");
    case drTooManyDataTraces:
      return Tr("Достигнуто максимальное количество измерительных трасс на диаграмме. Удалите "
                "неиспользуемые трассы.");
    default: return Tr("Неизвестная ошибка");
  }
}

// ---- restricted operating mode ----

bool SRPOptionEnabled(QuorWindow owner) {
  if (!GetOption(L"SRP_STEALTH")) return false;
  QuorMessageBox(owner, Tr("Функция недоступна в режиме СРП."), Tr("Ошибка"), MB_ICONWARNING);
  return true;
}
