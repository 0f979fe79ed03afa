#pragma once
// Touchstone network files (.s1p, .s2p, .sNp, .ts): the measured or simulated S, Y or Z
// matrices of an N-port over frequency, which memory traces load and save.
//
// Reading understands versions 1 and 2.0/2.1 of the format:
// - version 1: the option line "# <unit> <parameter> <format> R <ohms>" (any order, any case,
//   defaults GHz S MA R 50), data as a stream of numbers where every frequency starts a new
//   line; one- and two-port points take exactly one line, larger matrices are written row by
//   row and may wrap. Two-port points come in the order N11 N21 N12 N22. A two-port noise
//   block (frequencies starting again) is skipped with a log line.
// - version 2: the keywords [Version], [Number of Ports], [Two-Port Data Order],
//   [Number of Frequencies], [Number of Noise Frequencies], [Reference], [Matrix Format]
//   (Full, Lower, Upper), [Network Data], [Noise Data] (skipped), [Begin Information] …
//   [End Information] (skipped) and [End]. The number of frequencies read is checked.
// Comments run from "!" to the end of a line; CRLF, tabs and blank lines are fine.
//
// Rejected with a clear error: H and G parameters, mixed-mode files ([Mixed-Mode Order]),
// unknown keywords, frequencies that do not increase (other than a two-port noise block),
// data before the option line.
//
// Y and Z values are held unnormalised (siemens, ohms); version 1 files store them divided
// by (Z) or multiplied by (Y) the reference resistance, and reading and writing convert.
#include <complex>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum ETouchstoneParameter : int { tpS = 0, tpY = 1, tpZ = 2 };

// How the pairs of numbers of a point are written.
enum ETouchstoneFormat : int {
  tfRI = 0,  // real, imaginary
  tfMA = 1,  // magnitude, angle in degrees
  tfDB = 2,  // 20·log10 magnitude, angle in degrees
};

struct STouchstoneData {
  std::size_t ports = 0;
  ETouchstoneParameter parameter = tpS;
  std::vector<double> reference;    // ohms, one per port
  std::vector<double> frequencies;  // Hz, increasing
  // frequencies.size() matrices of ports × ports values, each row by row: the value of row r
  // (the output port) and column c (the input port) of point p is values[(p·N + r)·N + c].
  std::vector<std::complex<double>> values;

  std::size_t Points() const { return frequencies.size(); }
  std::complex<double> At(std::size_t point, std::size_t row, std::size_t col) const {
    return values[(point * ports + row) * ports + col];
  }
};

enum ETouchstoneStatus : int {
  tsOk = 0,
  tsFileNotFound,     // no file at the path
  tsReadError,        // the file exists but cannot be read
  tsNoData,           // the file has no network data (empty, only comments)
  tsBadOptionLine,    // unknown field in the "#" line, R without resistance, or no "#" line before the data
  tsNotANumber,       // a value that is not a number
  tsWrongCount,       // numbers missing or left over at a point, or a frequency count that disagrees
  tsFrequencyOrder,   // a frequency not above the previous one
  tsBadKeyword,       // an unknown, misplaced or missing keyword, or a bad keyword value
  tsUnsupported,      // a version, parameter kind or matrix arrangement this reader does not take
  tsUnknownPorts,     // version 1 without a port count (no .sNp extension, none given)
  tsInvalidData,      // saving: the data's sizes disagree, or version 1 cannot hold it
  tsWriteError,       // saving: the file cannot be written; an old file stays as it was
};

// What a load or save came to: the status, the line of the fault (1-based, 0 when the fault is
// not on a line) and a translated description that names the line.
struct STouchstoneResult {
  ETouchstoneStatus status = tsOk;
  std::size_t line = 0;
  std::wstring description;

  explicit operator bool() const { return status == tsOk; }
};

// Reads a Touchstone file. `ports` gives the port count of a version 1 file whose name has no
// .sNp extension (0: take it from the extension); version 2 files state their own. On failure
// `out` is left as it was and the failure is logged under "Trace".
STouchstoneResult LoadTouchstone(const std::wstring& path, STouchstoneData& out, std::size_t ports = 0);

// Reads Touchstone text already in memory; `ports` as above, required for version 1 text.
STouchstoneResult ParseTouchstone(std::string_view text, STouchstoneData& out, std::size_t ports);

// The text of a Touchstone file of version 1 or 2: frequencies in Hz, numbers in their
// shortest form that reads back to the same double. Empty with the reason in `result` when the
// data cannot be written in that version (sizes disagree; version 1 with differing references).
std::string FormatTouchstone(const STouchstoneData& data, int version, ETouchstoneFormat format,
                             STouchstoneResult* result = nullptr);

// Writes a Touchstone file atomically (temporary file beside it, flushed, renamed).
STouchstoneResult SaveTouchstone(const std::wstring& path, const STouchstoneData& data, int version,
                                 ETouchstoneFormat format);

// "S11", "S21" … for row and column counted from 0; with a port number above 9 the two are
// separated, "S10_1".
std::wstring ParameterName(std::size_t row, std::size_t col, ETouchstoneParameter parameter = tpS);

// One parameter over frequency, as a memory trace takes it.
struct STouchstoneCurve {
  std::vector<double> frequency;  // Hz
  std::vector<double> re;
  std::vector<double> im;
};
// Row and column counted from 0; empty (reported by assertion) outside the matrix.
STouchstoneCurve ExtractParameter(const STouchstoneData& data, std::size_t row, std::size_t col);
