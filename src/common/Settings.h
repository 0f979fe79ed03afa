#pragma once
// The settings port: named operating modes ("SRP_STEALTH" …), options of the control
// ("MarkersDir" …) and per-user values ("AntiAliasing"). In memory by default; the Qt
// layer backs it with QSettings.
#include <memory>
#include <optional>
#include <string>

class ISettings {
 public:
  virtual ~ISettings() = default;
  // Whether a named operating mode is on.
  virtual bool GetOption(const std::wstring& name) const = 0;
  virtual void SetOption(const std::wstring& name, bool on) = 0;
  // Named per-user values; nullopt when never set.
  virtual std::optional<std::wstring> GetValue(const std::wstring& key) const = 0;
  virtual void SetValue(const std::wstring& key, const std::wstring& value) = 0;
};

// Installs the process-wide implementation; null restores a fresh in-memory store.
std::shared_ptr<ISettings> SetSettings(std::shared_ptr<ISettings> settings);
ISettings& Settings();
std::shared_ptr<ISettings> MakeMemorySettings();

bool GetOption(const std::wstring& name);

// Per-user value helpers with a default for values never set or not readable.
std::wstring GetUserString(const std::wstring& key, const std::wstring& def);
int GetUserInt(const std::wstring& key, int def);
bool GetUserBool(const std::wstring& key, bool def);
void SetUserInt(const std::wstring& key, int value);
void SetUserBool(const std::wstring& key, bool value);

// User-interface settings read by the visual parts.
bool GetAlphaBlendState();        // "AlphaBlend", default off
int GetAlphaBlendDepth();         // "AlphaBlendDepth", 0…255, default 220
bool GetLargeIconsEnabled();      // "LargeIcons", default off
bool GetTouchScreenEnabled();     // "TouchScreen", default off
std::wstring GetBaseFontName();   // "BaseFontName", default "Sans Serif"
