#pragma once
// The sweep history behind the spectrum and waterfall series.
//
// CSpectrumStorage keeps two histories of one trace: the displayed data (what the trace shows
// after its filters) and the source data. Each is a CStorage: the points per sweep (width),
// the stimulus of every point and up to kMaxLevels sweeps (CLevel), oldest first. The UI
// thread feeds the histories while the drawing thread reads them, so every operation takes
// the storage's lock; a reader that needs the history for longer takes a snapshot with
// CopyStorage and works on that.
//
// Levels live in a ring: once it is full, a new sweep reuses the buffer of the oldest one,
// so feeding a full history of unchanged width allocates nothing.
//
// Levels are single precision: 1000 sweeps of 100,001 points are 400 MB per history, and the
// image is rendered from a pass over them. Seven significant digits are far finer than any
// level an analyser measures; the stimulus stays double (frequencies need every digit).
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "common/Sync.h"

class CDoubleMatrix;

// The first line of a saved sweep history: how a trace file tells it holds one.
inline constexpr const char* kSpectrumFileTitle = "# Quor, spectral data";

// One stored sweep: width response values (NaN where no value came) and the time it began
// (milliseconds since the storage was made).
class CLevel {
 public:
  std::vector<float> values;
  int timeStamp = 0;
};

class CStorage : public CSafeObject {
 public:
  static constexpr int kMaxLevels = 1000;

  CStorage();
  // A copy gets a lock of its own; the history is copied under the source's lock.
  CStorage(const CStorage& other);
  CStorage& operator=(const CStorage& other);

  // Points per sweep. A change clears every level and resizes the stimulus array (zeros).
  void SetSize(int width);
  int GetSize() const;
  int GetLevelCount() const;

  // Writes a block of the current sweep: y[0 … count) at points start …; x (optional) into
  // the stimulus array. A complete current level makes the block begin a new level first.
  // A block outside the width is reported and ignored. False when nothing was stored.
  bool AddArray(int start, int count, const double* y, const double* x);
  // One point at index (a block of one); AddPoint and AddNull go on after the last point
  // written, AddNull leaving a gap (NaN).
  bool SetPoint(int index, double x, double y);
  bool AddPoint(double x, double y);
  bool AddNull();
  // Drops every level; width and stimulus stay.
  void Clear();

  // Point index of level (0 = oldest). False (x and y NaN) outside the history.
  bool GetPoint(int index, double& x, double& y, int level) const;
  double GetStimulus(int index) const;
  // Level's time stamp without its values; false outside the history.
  bool GetTimeStamp(int level, int& timeStamp) const;
  // Level's values and time stamp; false outside the history.
  bool GetLevel(int level, std::vector<double>& values, int& timeStamp) const;

  // See CSpectrumStorage.
  void GetHistogram(double min, double max, int bins, int& maxCount, int* counts) const;
  std::vector<double> GetLastData(int maxRows, int& rows) const;
  // Row 0: 0 and the stimulus; row 1 + i: level i's time stamp and values, each passed
  // through round (when given).
  void FillMatrix(CDoubleMatrix& matrix, double (*round)(double, int), int digits) const;
  // Takes the layout of FillMatrix. False (storage unchanged) for a matrix without points.
  bool LoadMatrix(const CDoubleMatrix& matrix);

  // Makes dest an exact copy, reusing dest's level buffers where it can.
  void CopyTo(CStorage& dest) const;

  // Address of the values of level (0 = oldest); nullptr outside. Valid only while the
  // caller holds the storage's lock (or until the storage changes).
  const float* LevelData(int level) const;
  // Stimulus array (width values); the caller holds the lock.
  const double* StimulusData() const { return stimulus_.data(); }

  // What a renderer needs to tell "one more sweep" from "a different history": the number
  // of sweeps completed since the storage was made, and a count of everything else that
  // rewrote it (width, clear, load, copy).
  long long CompletedSerial() const;
  long long ResetSerial() const;
  // Complete levels (the current one while it is still being written is not among them).
  int GetCompleteCount() const;
  // Wall-clock time (seconds since the epoch) of time stamp 0.
  double EpochWallClock() const { return wallEpoch_; }

 private:
  CLevel& Slot(int level) { return ring_[static_cast<std::size_t>((first_ + level) % kMaxLevels)]; }
  const CLevel& Slot(int level) const {
    return ring_[static_cast<std::size_t>((first_ + level) % kMaxLevels)];
  }
  // Starts a level (dropping the oldest when the ring is full) and makes it current.
  CLevel& NewLevel(int timeStamp);
  int Now() const;

  int width_ = 0;
  std::vector<double> stimulus_;
  // Slots of the ring; grows to kMaxLevels, then slots are reused.
  std::vector<CLevel> ring_;
  int first_ = 0;    // slot of the oldest level
  int count_ = 0;    // levels stored
  int next_ = 0;     // point after the last one written into the current level
  bool complete_ = true;  // the current level has received its last point
  long long completed_ = 0;
  long long resets_ = 0;
  std::chrono::steady_clock::time_point epoch_;
  double wallEpoch_ = 0;
};

// The data half of the spectrum series: displayed and source histories plus what saving
// needs to know about the trace.
class CSpectrumStorage {
 public:
  CSpectrumStorage() = default;
  explicit CSpectrumStorage(std::wstring traceName, std::wstring responseQuantity = {});

  // Written into the saved file's header.
  void SetTraceName(const std::wstring& name) { traceName_ = name; }
  const std::wstring& TraceName() const { return traceName_; }
  // Decides the rounding of saved values (GetUnitsFractionSize).
  void SetResponseQuantity(const std::wstring& quantity) { responseQuantity_ = quantity; }
  const std::wstring& ResponseQuantity() const { return responseQuantity_; }

  // Displayed data.
  void SetSize(int width) { storage_.SetSize(width); }
  int GetSize() const { return storage_.GetSize(); }
  int GetLevelCount() const { return storage_.GetLevelCount(); }
  bool AddArray(int start, int count, const double* y, const double* x) {
    return storage_.AddArray(start, count, y, x);
  }
  // A whole sweep of count points; a new width clears the history first.
  bool SetArray(int count, const double* y, const double* x);
  bool SetPoint(int index, double x, double y) { return storage_.SetPoint(index, x, y); }
  bool AddPoint(double x, double y) { return storage_.AddPoint(x, y); }
  bool AddNull() { return storage_.AddNull(); }
  void Clear() { storage_.Clear(); }

  // Source data.
  void SetSrcSize(int width) { source_.SetSize(width); }
  int GetSrcSize() const { return source_.GetSize(); }
  bool AddSrcArray(int start, int count, const double* y, const double* x) {
    return source_.AddArray(start, count, y, x);
  }
  bool SetSrcPoint(int index, double x, double y) { return source_.SetPoint(index, x, y); }
  bool GetSrcPoint(int index, double& x, double& y, int level) const {
    return source_.GetPoint(index, x, y, level);
  }
  int GetSrcLevelCount() const { return source_.GetLevelCount(); }
  void ClearSrc() { source_.Clear(); }

  // Both histories.
  void ClearStorage();

  // Counts every value of every displayed level in bin floor((v − min) / ((max − min) / bins))
  // when that bin lies in 0 … bins − 1 (values outside [min, max) and NaN are not counted);
  // maxCount := the largest count. counts must hold bins zeroed entries.
  void GetHistogram(double min, double max, int bins, int& maxCount, int* counts) const {
    storage_.GetHistogram(min, max, bins, maxCount, counts);
  }
  // rows := min(maxRows, levels); the newest rows levels, oldest first, rows × width values.
  std::vector<double> GetLastData(int maxRows, int& rows) const { return storage_.GetLastData(maxRows, rows); }

  // Saves the displayed history as a matrix file (FillMatrix layout, values rounded to the
  // response quantity's fraction size) after a five-line header. False when there is nothing
  // to save or the file cannot be written (the matrix file functions log why).
  bool SaveDataToFile(const wchar_t* fileName) const;
  // Replaces both histories by a matrix in the saved layout: 0 on success, −1 without a
  // matrix or for one without points.
  int AddMatrix(const CDoubleMatrix* matrix);
  // The displayed history in the saved layout, unrounded.
  void GetMatrix(CDoubleMatrix* matrix) const;

  // A snapshot of the displayed history (dest's buffers are reused), and its replacement.
  void CopyStorage(CStorage& dest) const { storage_.CopyTo(dest); }
  void SetStorage(const CStorage& src) { src.CopyTo(storage_); }

  const CStorage& Storage() const { return storage_; }
  const CStorage& SrcStorage() const { return source_; }

 private:
  CStorage storage_;
  CStorage source_;
  std::wstring traceName_;
  std::wstring responseQuantity_;
};
