#include "traces/MathPresets.h"

#include <cstdlib>
#include <filesystem>

#include "common/Settings.h"
#include "common/Text.h"
#include "common/Xml.h"

std::wstring CMathPresets::DefaultPath() {
  std::wstring folder = GetUserString(L"ConfigDir", L"");
  if (folder.empty()) {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != 0) {
      folder = Utf8ToWide(config) + L"/plotvane";
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
      folder = Utf8ToWide(home) + L"/.config/plotvane";
    } else {
      folder = L".";
    }
  }
  return folder + L"/MathPreset.xml";
}

CMathPresets::CMathPresets(std::wstring path) : path_(std::move(path)) {}

void CMathPresets::Load() {
  presets_.clear();
  CXMLDocument file;
  if (!file.Open(path_)) return;
  for (pugi::xml_node node : file.Doc().child("presetList").children("preset")) {
    SMathPreset preset{Utf8ToWide(node.attribute("description").value()), Utf8ToWide(node.attribute("expression").value())};
    if (preset.description.empty()) preset.description = Tr("Выражение ") + std::to_wstring(presets_.size() + 1);
    presets_.push_back(std::move(preset));
  }
}

bool CMathPresets::Save() const {
  CXMLDocument file;
  pugi::xml_node root = file.Doc().append_child("presetList");
  for (const SMathPreset& preset : presets_) {
    pugi::xml_node node = root.append_child("preset");
    node.append_attribute("description") = WideToUtf8(preset.description).c_str();
    node.append_attribute("expression") = WideToUtf8(preset.expression).c_str();
  }
  FormatNode(root);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(WideToUtf8(path_)).parent_path(), error);
  return static_cast<bool>(file.Save(path_));
}

bool CMathPresets::Add(const SMathPreset& preset) {
  presets_.push_back(preset);
  return Save();
}

bool CMathPresets::Remove(std::size_t index) {
  if (index >= presets_.size()) return false;
  presets_.erase(presets_.begin() + static_cast<std::ptrdiff_t>(index));
  return Save();
}

bool CMathPresets::Edit(std::size_t index, const SMathPreset& preset) {
  if (index >= presets_.size()) return false;
  presets_[index] = preset;
  return Save();
}
