#pragma once
// Wide text, UTF-8 conversion and translation through the "QuorDiagram" text domain.
// Engine text is std::wstring (one wchar_t is one code point here); UTF-8 appears only
// at the edges: gettext catalogues, files, logs and the Qt layer.
#include <string>
#include <string_view>

inline constexpr const char* kTextDomain = "QuorDiagram";

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// Appends the UTF-8 of text to out.
void AppendUtf8(std::string& out, std::wstring_view text);

// The translation of a UTF-8 message id of the "QuorDiagram" domain (the Russian source
// text); the id itself when the catalogue has no translation.
std::wstring Tr(const char* msgid);
// The same for another text domain, with dgettext's semantics.
std::wstring TrDomain(const char* domain, const char* msgid);

// Changes whenever translations may have changed (language switch, catalogue loaded), so
// callers can keep translated tables and rebuild them only then.
int TranslationGeneration();

// Folder the catalogues were bound from (empty when none was found).
std::string TranslationCatalogueDir();

// Switches the language of translations at run time (as LANGUAGE does at start), e.g.
// "en", or "" for the source texts. Translations already looked up are forgotten.
void SetTranslationLanguage(const std::string& language);

// Upper- and lower-case forms for Latin and Cyrillic text, independent of the C locale.
std::wstring ToUpperText(std::wstring_view text);
std::wstring ToLowerText(std::wstring_view text);

// Marks a message id kept in a table for translation later, where Tr() cannot be called;
// the extraction script collects it like Tr("…").
#define TrNoop(msgid) msgid
