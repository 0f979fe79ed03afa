#pragma once
// A keyed list of text and number values: the trace fills it before each dynamic filter
// ("stimulus_quantity", "stimulus_start", "acc_data", ...) and reads some keys back after
// the chain, so a filter can both learn the context of a block and report changes to it.
//
// The trace rewrites the same keys on every block, so setting a key that is already present
// never allocates: entries live in a small flat vector (linear search beats hashing for the
// dozen or so keys), numbers are stored in place and texts reuse their buffers.
#include <string>
#include <string_view>
#include <vector>

enum EPropertyKind {
  pkNone = 0,  // no such key
  pkNumber = 1,
  pkText = 2,
};

class IPropertiesList {
 public:
  virtual int Count() const = 0;
  // Name of the index-th entry, in order of first setting (empty out of range).
  virtual const std::wstring& GetName(int index) const = 0;
  virtual EPropertyKind GetKind(std::wstring_view name) const = 0;
  // Stores the value under the name, adding the key or changing its kind as needed.
  virtual void SetNumber(std::wstring_view name, double value) = 0;
  virtual void SetText(std::wstring_view name, std::wstring_view value) = 0;
  // The number under the name; NaN when the key is missing or holds text.
  virtual double GetNumber(std::wstring_view name) const = 0;
  // The text under the name (valid until the entry changes); empty when the key is missing
  // or holds a number.
  virtual const std::wstring& GetText(std::wstring_view name) const = 0;
  virtual bool Remove(std::wstring_view name) = 0;
  virtual void Clear() = 0;
  virtual ~IPropertiesList() = default;

  bool Contains(std::wstring_view name) const { return GetKind(name) != pkNone; }
};

class CPropertiesList : public IPropertiesList {
 public:
  CPropertiesList();

  int Count() const override { return static_cast<int>(entries_.size()); }
  const std::wstring& GetName(int index) const override;
  EPropertyKind GetKind(std::wstring_view name) const override;
  void SetNumber(std::wstring_view name, double value) override;
  void SetText(std::wstring_view name, std::wstring_view value) override;
  double GetNumber(std::wstring_view name) const override;
  const std::wstring& GetText(std::wstring_view name) const override;
  bool Remove(std::wstring_view name) override;
  void Clear() override;

 private:
  struct SEntry {
    std::wstring name;
    EPropertyKind kind = pkNone;
    double number = 0;
    std::wstring text;  // kept when the entry turns into a number, so its buffer is reused
  };

  const SEntry* Find(std::wstring_view name) const;
  SEntry& FindOrAdd(std::wstring_view name);

  std::vector<SEntry> entries_;
};
