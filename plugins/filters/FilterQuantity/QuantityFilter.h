#pragma once
// The display-format filter "QUANTITY": converts the data a trace receives (complex
// reflection or transmission coefficients, linear power, levels in dBm) into the format
// chosen from the conversion-mode table of common/Units.h, and tells the trace the quantity
// it now shows and, for the Smith and polar formats, the plot kind. It is the trace's
// display format, so it is enabled from the start.
//
// Settings: the parameter "mode" (the row number as text). A row that does not convert the
// trace's source quantity, or a number outside the table, falls back to the source's first
// row with a log line. A source quantity without a row (spectrogram levels, phase noise …)
// leaves the data and the trace's display quantity as delivered.
//
// Blocks: the trace calls ProcessDataEx once per block of a sweep. Complex data arrive as
// y = real part, z = imaginary part (a missing z counts as zero). Every format is computed in
// place, except that the group delay needs each point's right neighbour: a block's last point
// is held back and sent with the next block (offset − 1), and the block that ends the sweep
// is widened by that one point into arrays of its own (see ProcessDataEx).
#include <string>
#include <vector>

#include "filters/Filter.h"

class CQuantityFilter : public CDynamicFilter {
 public:
  CQuantityFilter();

  // Same as ProcessDataEx without a properties list.
  void ProcessData(bool& changed, int& offset, int& count, int& size, double*& x, double*& y,
                   double*& z) override;
  void ProcessDataEx(bool& changed, int& offset, int& count, int& size, double*& x, double*& y,
                     double*& z, IPropertiesList* properties) override;
  void TraceChanged() override;
  void MeasurementChanged(bool& reprocess, EMeasureParam kind) override;
  // The settings go into the child element `name` of node (onto node itself for a null or
  // empty name): "mode" and "enabled".
  void Serialize(pugi::xml_node node, const char* name) override;
  void Deserialize(pugi::xml_node node, const char* name) override;
  std::wstring GetParameter(const wchar_t* name) override;
  void SetParameter(const wchar_t* name, const wchar_t* value) override;
  void Assign(CFilter* other) override;
  // Re-announces the format to the trace and has the received data processed again.
  void UpdateFilter() override;
  void ChangedEnabled(bool enabled) override;
  void UpdateStatus() override;

  int GetMode() const { return mode_; }
  // The first row converting `source`; -1 when the table has none.
  static int DefaultMode(const std::wstring& source);

 private:
  // Takes a new source quantity: keeps the mode when it still fits, else the source's default.
  void SetSource(const std::wstring& source);
  // Validates and applies a requested row; `text` is what was asked, for the log line.
  void SetMode(int mode, const std::wstring& text);
  void SetModeText(const std::wstring& text);
  // Tells the trace the display quantity and plot kind of the current state.
  void Announce();
  void RestoreDelivered();
  double ReferenceImpedance();

  // Sweep bookkeeping of the phase formats.
  void ForgetSweep();
  void BeginBlock(bool changed, int offset, int count, int size);
  double Unwrap(double wrapped);
  double GroupDelayAt(int index) const;
  void ProcessUnwrapped(int count, double* y, const double* z);
  void ProcessGroupDelay(int& offset, int& count, int size, double*& x, double*& y, double*& z);

  int mode_ = 0;
  std::wstring source_;        // the source quantity last seen; empty while unknown
  bool passThrough_ = false;   // source_ has no row in the table
  double z0_ = 50.0;           // reference impedance of the Z and Y formats, ohms
  bool z0Known_ = false;       // z0_ was read from the channel

  int sweepSize_ = -1;
  int nextOffset_ = -1;        // where the next block continues the sweep; -1: none
  int segmentStart_ = 0;       // first point of the sweep part received without a break
  bool havePhase_ = false;
  double lastWrapped_ = 0.0;   // wrapped phase of the last defined point, radians
  double turns_ = 0.0;         // whole turns added to the wrapped phase
  bool heldBack_ = false;      // the group delay of point nextOffset_ − 1 is not yet sent
  std::vector<double> stimulus_;  // the sweep's stimulus and unwrapped phase (group delay)
  std::vector<double> phase_;
};
