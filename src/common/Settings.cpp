#include "common/Settings.h"

#include <cwchar>
#include <map>
#include <mutex>
#include <set>

namespace {

class MemorySettings : public ISettings {
 public:
  bool GetOption(const std::wstring& name) const override {
    std::lock_guard lock(mutex_);
    return options_.count(name) > 0;
  }
  void SetOption(const std::wstring& name, bool on) override {
    std::lock_guard lock(mutex_);
    if (on)
      options_.insert(name);
    else
      options_.erase(name);
  }
  std::optional<std::wstring> GetValue(const std::wstring& key) const override {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  void SetValue(const std::wstring& key, const std::wstring& value) override {
    std::lock_guard lock(mutex_);
    values_[key] = value;
  }

 private:
  mutable std::mutex mutex_;
  std::set<std::wstring> options_;
  std::map<std::wstring, std::wstring> values_;
};

std::mutex g_mutex;
std::shared_ptr<ISettings> g_settings;

}  // namespace

std::shared_ptr<ISettings> MakeMemorySettings() { return std::make_shared<MemorySettings>(); }

std::shared_ptr<ISettings> SetSettings(std::shared_ptr<ISettings> settings) {
  std::lock_guard lock(g_mutex);
  std::swap(g_settings, settings);
  return settings;
}

ISettings& Settings() {
  std::lock_guard lock(g_mutex);
  if (!g_settings) g_settings = MakeMemorySettings();
  return *g_settings;
}

bool GetOption(const std::wstring& name) { return Settings().GetOption(name); }

std::wstring GetUserString(const std::wstring& key, const std::wstring& def) {
  return Settings().GetValue(key).value_or(def);
}

int GetUserInt(const std::wstring& key, int def) {
  const auto value = Settings().GetValue(key);
  if (!value || value->empty()) return def;
  wchar_t* end = nullptr;
  const long v = std::wcstol(value->c_str(), &end, 10);
  return (end != nullptr && *end == L'\0') ? static_cast<int>(v) : def;
}

bool GetUserBool(const std::wstring& key, bool def) {
  const auto value = Settings().GetValue(key);
  if (!value) return def;
  if (*value == L"1" || *value == L"true") return true;
  if (*value == L"0" || *value == L"false") return false;
  return def;
}

void SetUserInt(const std::wstring& key, int value) { Settings().SetValue(key, std::to_wstring(value)); }
void SetUserBool(const std::wstring& key, bool value) { Settings().SetValue(key, value ? L"1" : L"0"); }

bool GetAlphaBlendState() { return GetUserBool(L"AlphaBlend", false); }
int GetAlphaBlendDepth() {
  const int depth = GetUserInt(L"AlphaBlendDepth", 220);
  return depth < 0 ? 0 : (depth > 255 ? 255 : depth);
}
bool GetLargeIconsEnabled() { return GetUserBool(L"LargeIcons", false); }
bool GetTouchScreenEnabled() { return GetUserBool(L"TouchScreen", false); }
std::wstring GetBaseFontName() { return GetUserString(L"BaseFontName", L"Sans Serif"); }
