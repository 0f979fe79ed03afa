#pragma once
// A matrix of doubles and its plain-text file form.
//
// File form: one matrix row per line, numbers separated by blanks (a space when written;
// spaces and tabs when read) or, with mfCommaSeparated, by commas. Lines starting with "#"
// are header lines; empty lines are skipped. Numbers are written in their shortest form that
// reads back to the same double ("0.1", "-80.12345678901234", "1e-300", "-0"), NaN and
// infinities as "nan", "inf", "-inf". Reading takes either separator whatever the flags, so a
// comma-separated file loads with flags 0; a decimal comma is not understood.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CDoubleMatrix {
 public:
  CDoubleMatrix() = default;
  CDoubleMatrix(std::size_t rows, std::size_t cols, double fill = 0.0);

  std::size_t Rows() const { return rows_; }
  std::size_t Cols() const { return cols_; }
  bool Empty() const { return rows_ == 0 || cols_ == 0; }

  // Changes the size keeping the values of the cells both sizes share; new cells get fill.
  void Resize(std::size_t rows, std::size_t cols, double fill = 0.0);
  void Clear() { Resize(0, 0); }
  // Takes over row-major values (values.size() must be rows × cols).
  bool Assign(std::size_t rows, std::size_t cols, std::vector<double>&& values);

  // Unchecked access for loops over a known size.
  double& operator()(std::size_t row, std::size_t col) { return data_[row * cols_ + col]; }
  double operator()(std::size_t row, std::size_t col) const { return data_[row * cols_ + col]; }
  // Checked access: NaN, and nothing set, outside the matrix (reported by assertion).
  double Get(std::size_t row, std::size_t col) const;
  void Set(std::size_t row, std::size_t col, double value);

  // Row-major contiguous values.
  double* Data() { return data_.data(); }
  const double* Data() const { return data_.data(); }
  double* Row(std::size_t row) { return data_.data() + row * cols_; }
  const double* Row(std::size_t row) const { return data_.data() + row * cols_; }

  bool operator==(const CDoubleMatrix& other) const = default;

 private:
  std::size_t rows_ = 0;
  std::size_t cols_ = 0;
  std::vector<double> data_;
};

// Flags of the matrix file functions.
enum EMatrixFlags : unsigned {
  mfCommaSeparated = 4,  // write "1,2,3" rows (for .csv files)
};

// Results of the matrix file functions; every failure is also logged under "Matrix" with the
// path and, for bad content, the line number.
enum EMatrixResult : int {
  mrOk = 0,
  mrFileNotFound = 1,  // no file at the path
  mrReadError = 2,     // the file exists but cannot be read
  mrNotANumber = 3,    // a value is not a number (or a field between commas is empty)
  mrRaggedRows = 4,    // a row has another number of values than the first row
  mrWriteError = 5,    // the file cannot be written; an old file stays as it was
};

// Reads a matrix file. On success the matrix takes the table (0 × 0 for a file without
// rows); on failure it is left as it was. `header` (optional) receives the header lines as
// written, each with its "#" and its line break; `failedLine` (optional) the number of the
// line with bad content (0 for other failures).
EMatrixResult LoadCustomMatrixFromFile(const std::wstring& path, CDoubleMatrix& matrix, unsigned flags = 0,
                                       std::wstring* header = nullptr, std::size_t* failedLine = nullptr);

// Writes a matrix file atomically (temporary file beside it, flushed to the disk, renamed).
// `headerText` comes first, line by line; a line that does not start with "#" gets "# " in
// front so the file reads back.
EMatrixResult SaveCustomMatrixToFile(const std::wstring& path, const CDoubleMatrix& matrix, unsigned flags = 0,
                                     std::wstring_view headerText = {});
