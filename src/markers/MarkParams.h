#pragma once
// The keys of the marker enumerations in files, their menu captions and the relation defaults.
#include <string>

#include "interfaces/MarkParams.h"

// Keys used in files; an unknown key reads as the default.
const wchar_t* MarkModeKey(EMarkMode mode);
EMarkMode MarkModeFromKey(const std::wstring& key, EMarkMode def);
const wchar_t* DirectionKey(EMarkDirection direction);
EMarkDirection DirectionFromKey(const std::wstring& key, EMarkDirection def);
const wchar_t* ExtremeModeKey(EExtremeMode mode);
EExtremeMode ExtremeModeFromKey(const std::wstring& key, EExtremeMode def);
// Translated menu caption of a mode ("М&аксимум").
std::wstring MarkModeCaption(EMarkMode mode);

// Texts are kept as entered; the defaults are the untranslated ones.
const SConnParams& DefaultConnParams();
