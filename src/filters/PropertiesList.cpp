#include "filters/PropertiesList.h"

#include <limits>

namespace {
const std::wstring kEmpty;
// Room for every key the trace writes, so a list in steady use never grows.
constexpr std::size_t kInitialCapacity = 24;
}  // namespace

CPropertiesList::CPropertiesList() { entries_.reserve(kInitialCapacity); }

const CPropertiesList::SEntry* CPropertiesList::Find(std::wstring_view name) const {
  for (const SEntry& entry : entries_)
    if (std::wstring_view(entry.name) == name) return &entry;
  return nullptr;
}

CPropertiesList::SEntry& CPropertiesList::FindOrAdd(std::wstring_view name) {
  if (const SEntry* entry = Find(name)) return const_cast<SEntry&>(*entry);
  SEntry& added = entries_.emplace_back();
  added.name.assign(name);
  return added;
}

const std::wstring& CPropertiesList::GetName(int index) const {
  if (index < 0 || index >= Count()) return kEmpty;
  return entries_[index].name;
}

EPropertyKind CPropertiesList::GetKind(std::wstring_view name) const {
  const SEntry* entry = Find(name);
  return entry ? entry->kind : pkNone;
}

void CPropertiesList::SetNumber(std::wstring_view name, double value) {
  SEntry& entry = FindOrAdd(name);
  entry.kind = pkNumber;
  entry.number = value;
}

void CPropertiesList::SetText(std::wstring_view name, std::wstring_view value) {
  SEntry& entry = FindOrAdd(name);
  entry.kind = pkText;
  entry.text.assign(value);
}

double CPropertiesList::GetNumber(std::wstring_view name) const {
  const SEntry* entry = Find(name);
  return entry && entry->kind == pkNumber ? entry->number : std::numeric_limits<double>::quiet_NaN();
}

const std::wstring& CPropertiesList::GetText(std::wstring_view name) const {
  const SEntry* entry = Find(name);
  return entry && entry->kind == pkText ? entry->text : kEmpty;
}

bool CPropertiesList::Remove(std::wstring_view name) {
  const SEntry* entry = Find(name);
  if (entry == nullptr) return false;
  entries_.erase(entries_.begin() + (entry - entries_.data()));
  return true;
}

void CPropertiesList::Clear() { entries_.clear(); }
