#pragma once
// The list of named expressions every math trace's expression dialog offers, kept in
// "MathPreset.xml" in the configuration folder: a root "presetList" with one "preset" per
// entry, in list order, each with a "description" and an "expression" over A and B.
#include <string>
#include <vector>

struct SMathPreset {
  std::wstring description;
  std::wstring expression;
};

class CMathPresets {
 public:
  // The folder is the per-user value "ConfigDir", or $XDG_CONFIG_HOME/plotvane
  // (~/.config/plotvane) when that is not set.
  static std::wstring DefaultPath();

  explicit CMathPresets(std::wstring path = DefaultPath());

  // Reads the file; a missing or unreadable file gives an empty list. A preset without a
  // description is listed as "Выражение " and its number.
  void Load();
  const std::vector<SMathPreset>& Presets() const { return presets_; }
  const std::wstring& Path() const { return path_; }

  // Each change is saved at once, atomically; false when the file could not be written
  // (the list in memory has the change all the same).
  bool Add(const SMathPreset& preset);
  bool Remove(std::size_t index);
  bool Edit(std::size_t index, const SMathPreset& preset);

 private:
  bool Save() const;

  std::wstring path_;
  std::vector<SMathPreset> presets_;
};
