#pragma once
// What the fuzz targets share: a quiet process (no log file, assertion reports dropped,
// headless message boxes), the display-format package loaded once for the whole run, a
// control whose channels are named like the demo instrument's, and a reader that turns the
// fuzzer's bytes into choices.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "control/DiagramControl.h"
#include "measurements/Measurement.h"

namespace fuzz {

// Once per process; every target calls it first.
void QuietProcess();

class CFuzzHost : public IControlHost {
 public:
  SSize ClientSize() const override { return size; }
  void Repaint() override {}
  SSize size{1200, 800};
};

// A control over the built plug-in folder with the channels S11, S21, S12, S22 (group 1)
// and "Спектр" (group 2), no diagrams yet.
struct SFuzzControl {
  CFuzzHost host;
  CDiagramControl control;
  std::vector<MeasurementInterface*> channels;
  SFuzzControl();
};

// The control a target reuses across inputs (made on first use, never destroyed).
SFuzzControl& SharedControl();

// Draws the whole control on a canvas that only counts.
void DrawAll(CDiagramControl& control);

// A file of this process in $TMPDIR (or /tmp), named after `stem`, removed when it ends.
class CTempFile {
 public:
  explicit CTempFile(const std::string& stem);
  ~CTempFile();
  const std::string& Path() const { return path_; }
  // Replaces the file's content with the bytes (aborts when it cannot: the run is broken).
  void Write(const std::uint8_t* data, std::size_t size) const;

 private:
  std::string path_;
};

// Bytes as choices; past the end every read gives 0.
class CByteReader {
 public:
  CByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  template <class T>
  T Raw() {
    T value{};
    const std::size_t n = std::min(sizeof(T), size_ - std::min(pos_, size_));
    std::memcpy(&value, data_ + pos_, n);
    pos_ += n;
    return value;
  }
  // One of the list, by the next byte.
  template <class T, std::size_t N>
  const T& Pick(const T (&list)[N]) { return list[Byte() % N]; }
  // An int that is often at an edge: 0, ±1, INT_MIN/MAX and their neighbours, the largest
  // sweep, or raw.
  int EdgyInt();
  double EdgyDouble();
  // The rest of the input as UTF-8 text, or up to `max` bytes of it.
  std::string Text(std::size_t max);

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace fuzz
