#include "common/Text.h"

#include <libintl.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/Paths.h"

// glibc's counter that invalidates cached translations when the language changes.
extern "C" int _nl_msg_cat_cntr;

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FindCatalogueDir() {
  if (const char* env = std::getenv("PLOTVANE_LOCALEDIR"); env != nullptr && IsDirectory(env))
    return env;
  // The installed tree (lib/<arch> → share/locale), then the build tree (lib → share/locale).
  const std::string libDir = EngineLibraryFolder();
#ifdef PLOTVANE_LIB_TO_LOCALE
  if (const std::string installed = libDir + "/" PLOTVANE_LIB_TO_LOCALE; IsDirectory(installed)) return installed;
#endif
  for (const std::string& candidate : {libDir + "/../share/locale", libDir + "/locale"})
    if (IsDirectory(candidate)) return candidate;
#ifdef PLOTVANE_INSTALL_LOCALEDIR
  if (IsDirectory(PLOTVANE_INSTALL_LOCALEDIR)) return PLOTVANE_INSTALL_LOCALEDIR;
#endif
  return {};
}

std::once_flag g_initOnce;
std::string g_catalogueDir;

void InitTranslations() {
  std::call_once(g_initOnce, [] {
    // gettext ignores LANGUAGE while the messages locale is plain "C", which is what a
    // program that never called setlocale() has; C.UTF-8 keeps the C behaviour and
    // lets the user's language choice through.
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current == nullptr || std::strcmp(current, "C") == 0 || std::strcmp(current, "POSIX") == 0)
      std::setlocale(LC_MESSAGES, "C.UTF-8");
    g_catalogueDir = FindCatalogueDir();
    if (!g_catalogueDir.empty()) ::bindtextdomain(kTextDomain, g_catalogueDir.c_str());
    ::bind_textdomain_codeset(kTextDomain, "UTF-8");
  });
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      out.push_back(kReplacement);
      ++p;
      continue;
    }
    if (end - p < extra + 1) {  // truncated sequence at the end
      out.push_back(kReplacement);
      break;
    }
    bool valid = true;
    for (int i = 1; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kReplacement);
      ++p;
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp));
    p += extra + 1;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  AppendUtf8(out, text);
  return out;
}

void AppendUtf8(std::string& out, std::wstring_view text) {
  out.reserve(out.size() + text.size() * 2);
  for (wchar_t wc : text) {
    auto cp = static_cast<char32_t>(wc);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

namespace {

// Translations already looked up, per domain and message id. gettext's own lookup walks
// its catalogue list under a lock every time, which is felt where a layout fills hundreds
// of list cells; the cache is dropped whenever the catalogues or the language change.
struct SViewHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};
template <class Value>
using TViewMap = std::unordered_map<std::string, Value, SViewHash, std::equal_to<>>;

struct STranslationCache {
  std::mutex lock;
  int generation = -1;
  TViewMap<std::wstring> own;                // the component's own domain, by message id
  TViewMap<TViewMap<std::wstring>> domains;  // any other domain, then message id
};

STranslationCache& Cache() {
  static STranslationCache cache;
  return cache;
}

}  // namespace

std::wstring TrDomain(const char* domain, const char* msgid) {
  if (msgid == nullptr) return {};
  if (*msgid == '\0') return {};  // "" would return the catalogue header
  InitTranslations();
  STranslationCache& cache = Cache();
  const std::string_view domainName = domain != nullptr ? domain : "";
  std::lock_guard<std::mutex> guard(cache.lock);
  if (cache.generation != _nl_msg_cat_cntr) {
    cache.own.clear();
    cache.domains.clear();
    cache.generation = _nl_msg_cat_cntr;
  }
  TViewMap<std::wstring>* texts = &cache.own;
  if (domainName != kTextDomain) {
    auto d = cache.domains.find(domainName);
    if (d == cache.domains.end()) d = cache.domains.emplace(std::string(domainName), TViewMap<std::wstring>()).first;
    texts = &d->second;
  }
  auto it = texts->find(std::string_view(msgid));
  if (it == texts->end()) it = texts->emplace(msgid, Utf8ToWide(::dgettext(domain, msgid))).first;
  return it->second;
}

std::wstring Tr(const char* msgid) { return TrDomain(kTextDomain, msgid); }

int TranslationGeneration() {
  InitTranslations();
  return _nl_msg_cat_cntr;
}

std::string TranslationCatalogueDir() {
  InitTranslations();
  return g_catalogueDir;
}

void SetTranslationLanguage(const std::string& language) {
  InitTranslations();
  if (language.empty())
    ::unsetenv("LANGUAGE");
  else
    ::setenv("LANGUAGE", language.c_str(), 1);
  ++_nl_msg_cat_cntr;
}

namespace {
wchar_t MapCase(wchar_t c, bool upper) {
  // Cyrillic: А-Я 0x410-0x42F / а-я 0x430-0x44F, Ѐ-Џ 0x400-0x40F / ѐ-џ 0x450-0x45F.
  if (upper) {
    if (c >= L'a' && c <= L'z') return c - 32;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  } else {
    if (c >= L'A' && c <= L'Z') return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  }
  return upper ? static_cast<wchar_t>(std::towupper(c)) : static_cast<wchar_t>(std::towlower(c));
}
}  // namespace

std::wstring ToUpperText(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = MapCase(c, true);
  return out;
}

std::wstring ToLowerText(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = MapCase(c, false);
  return out;
}
