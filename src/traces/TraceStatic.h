#pragma once
// The memory trace: a frozen copy of data, taken from another trace at a moment the operator
// chooses (Remember), read from a trace file (Load) or restored from the layout. It is drawn,
// filtered, scaled and marked like any trace; no channel feeds it data.
#include <string>

#include "traces/Touchstone.h"
#include "traces/Trace.h"

// What Remember takes over from its source.
enum EStaticTraceParams {
  stpCreate = 0,      // a new memory trace: quantities, plot, channel, scale and filters
  stpQuantities = 1,  // quantities and data
  stpData = 2,        // data only (quantities too when the source's format changed)
};

// The form of a trace file for Load.
enum ETraceFileType {
  tftTable = 0,     // a plain table: stimulus, response [, second component]
  tftTrc = 1,       // the same, with a "Hz" stimulus in units of the channel's multiplier
  tftSpectrum = 2,  // a spectrum history matrix
};

class CTraceStatic : public CTraceMathSource {
 public:
  explicit CTraceStatic(DiagramInterface* diagram);

  std::wstring GetTraceType() const override { return L"Memory"; }
  bool IsFixedRef() const override { return false; }
  // A memory trace shows its channel's formats but takes no data from it.
  void CallbackChanged(CMeasurement* measurement, EMeasureParam kind) override;
  std::wstring GetStringInfo(int index) const override;
  void Serialize(pugi::xml_node element) override;
  void Deserialize(pugi::xml_node element) override;

  void FixHorizAxis(bool fixed) { fixedHorizAxis_ = fixed; }
  bool IsFixedHorizAxis() const { return fixedHorizAxis_; }
  // Takes a copy of `source` (a trace of this or another diagram).
  void Remember(TraceInterface* source, EStaticTraceParams params);
  // Replaces the data with the source's: drawn values, or (raw) the received ones.
  void SetValues(TraceInterface* source, bool raw);
  // Takes the data again from the source, while it exists.
  void Refresh();
  // Reads a trace file; 0, a matrix file result, or -1 after a message box. After a matrix
  // file result, LoadFailedLine names the line with bad content (0 when none does).
  int Load(const std::wstring& fileName, ETraceFileType type);
  std::size_t LoadFailedLine() const { return failedLine_; }
  // One stored sweep (level, 0 = oldest) of a spectrum trace's history, as a line in dBm
  // with the source's channel and scale; the time date is when that sweep was measured.
  // False (nothing changed) when the source has no such sweep.
  bool TakeSweep(CTrace* source, int level);
  // One parameter (row, column: 0-based ports) of a loaded Touchstone network as complex data
  // over frequency, so every display format of the trace works.
  void TakeNetworkParameter(const STouchstoneData& network, std::size_t row, std::size_t col,
                            const std::wstring& fileName);
  // The trace the data were taken from, while it exists on this diagram; null otherwise.
  TraceInterface* GetSource() const;

  const std::wstring& SourceName() const { return source_; }
  const std::wstring& SourceDiagram() const { return sourceDiagram_; }
  const std::wstring& FileName() const { return fileName_; }
  const std::wstring& TimeDate() const { return timeDate_; }

  // One whole sweep (the first block, all points) through the pipeline, so the trace's own
  // filters apply; z null when the data have no second component.
  void Feed(std::vector<double>& x, std::vector<double>& y, std::vector<double>* z);

 private:

  std::wstring source_;
  std::wstring sourceDiagram_;
  std::wstring fileName_;
  std::wstring timeDate_;
  bool fixedHorizAxis_ = false;
  std::size_t failedLine_ = 0;
};
