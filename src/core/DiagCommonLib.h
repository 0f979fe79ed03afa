#pragma once
// Free functions every subsystem shares: numbers to text and back, display names of pages,
// plug-ins and trace kinds, case-insensitive replacement, file-name splitting, the colour
// themes of the diagrams, the result codes returned to the host and the guard of the
// restricted operating mode. Stateless; the tables are constant data.
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "common/UserInteraction.h"
#include "core/Color.h"

// ---- numbers and text ----

// Output formats of DoubleToStr, numbered as the stored settings number them.
enum TFloatFormat {
  ffGeneral = 0,   // shortest of fixed and scientific, `precision` significant digits
  ffExponent = 1,  // d.dddE+0000 with `precision` digits in all
  ffFixed = 2,     // 12 digits after the separator
  ffNumber = 3,    // as fixed, with thousands separators
  ffCurrency = 4,  // as number, with the locale's currency symbol
};

// Digits after the separator in the fixed, number and currency formats, and the
// minimum number of exponent digits (capped at 4) in scientific output.
inline constexpr int kFloatDigits = 12;

// `value` with `precision` significant digits (1…15) in the given format, using the
// decimal and thousands separators of the current C locale. NaN gives "NAN", infinities
// "INF" and "-INF".
std::wstring DoubleToStr(double value, TFloatFormat format, int precision);

// A text that is not a number. what() is UTF-8 and translated.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::wstring& text);
  const std::wstring& Text() const { return text_; }  // the offending text

 private:
  std::wstring text_;
};

// The number a UTF-8 text holds. Both "." and "," are taken as the decimal separator, so
// "1,5" and "1.5" are 1.5 in every locale, while "1.234,5" is no number. Surrounding
// spaces are allowed; anything else must be part of the number. "NAN" and "INF" read back.
// Throws EConvertError for empty text and for text that is not a number.
double StrToDouble(const char* text);

inline constexpr double sqr(double x) { return x * x; }

// ---- display names ----

// The display text of a page, plug-in, trace kind or channel kind: `notation` may be the
// internal name ("Time_domain") or a display text already translated. With shortForm the
// short text is used where the name has one. Unknown names come back unchanged.
std::wstring GetNotationString(const wchar_t* notation, bool shortForm);

// Replaces in place every occurrence of `what`, ignoring case (Latin and Cyrillic), by
// `with`. Replacements that join with their neighbours into a new occurrence are replaced
// too. A `with` that itself contains `what` would never end: it is reported and replaced
// in a single left-to-right pass instead.
void ReplaceString(std::wstring& text, const std::wstring& what, const std::wstring& with);

// Parts of a UTF-8 path split as the C run-time's _splitpath does ("/" and "\" both end a
// folder, the extension starts at the last dot of the last part):
// "/a.b/trace.v2.trc" → name "trace.v2", extension "trc", full name "trace.v2.trc".
// A name without extension has no trailing dot in the full name.
std::wstring ExExtractFileName(const char* path);
std::wstring ExExtractFileExt(const char* path);
std::wstring ExExtractFullFileName(const char* path);

// ---- colour themes ----

inline constexpr int kColorThemeSlots = 28;

// Slots of a theme with a fixed meaning; the diagram applies the others to walls, grid,
// axes, status bar and marker panels.
enum EColorThemeSlot {
  ctsBackground = 0,
  ctsPaletteFirst = 4,  // twelve trace colours, 4…15; clNone in the black-and-white theme
  ctsPaletteCount = 12,
};

struct SColorTheme {
  std::array<TColor, kColorThemeSlots> colors;  // slots 25…27 hold small integers
  const char* name;                             // message id; "" for black-and-white

  // True when the background is bright (brightness above 128).
  bool IsBright() const;
};

int GetColorThemeCount();
// Theme 0 "Стандартная", 1 "Черная", 2 "Ретро". An index out of range is reported and
// gives the last theme.
const SColorTheme* GetColorTheme(unsigned index);
const SColorTheme* GetBWTheme();

// The grey of the same brightness.
TColor ColorToGreyscale(TColor c);

// ---- results returned to the host ----

enum EDiagResult {
  drOk = 0,
  drNoSuchPlugin = -2,
  drFilterInitFailed = -4,
  drNoSuchTrace = -10,
  drTooManyTraces = -11,
  drTooManyDataTraces = -12,
};

// Translated message of a result code; "Неизвестная ошибка" for codes not listed.
std::wstring GetErrorDescription(int code);

// ---- restricted operating mode ----

// True when the "SRP_STEALTH" mode is on, after telling the operator that the function is
// not available in it. Callers stop when it returns true.
bool SRPOptionEnabled(QuorWindow owner);
