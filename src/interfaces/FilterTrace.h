#pragma once
// The trace as a filter plug-in sees it. Packages are built against this face, so it is part
// of the plug-in binary contract: any change to it (a slot added, removed, reordered or
// retyped) raises PLOTVANE_PLUGIN_API_VERSION in core/PluginApi.h, and the contract test
// holds the two together.
#include <string>

#include "interfaces/TraceView.h"

class MeasurementInterface;

// FILTER FACE BEGIN
class IFilterTrace {
 public:
  virtual std::wstring GetName() const = 0;
  virtual std::wstring GetTraceType() const = 0;
  virtual MeasurementInterface* Measurement() const = 0;
  virtual std::wstring GetQuantity(EDataValueType type) const = 0;
  virtual std::wstring GetSrcQuantity(EDataValueType type) const = 0;
  virtual void SetQuantity(EDataValueType type, const wchar_t* quantity) = 0;
  virtual int GetFractionSize(EDataValueType type) const = 0;
  virtual EPlot GetPlot() const = 0;
  virtual bool SetPlot(EPlot plot) = 0;
  virtual double GetStimulusStart() const = 0;
  virtual double GetStimulusStop() const = 0;
  // The filter's settings changed: the trace runs its data through the chain again
  // (reprocess) or only refreshes what it shows.
  virtual void FilterParametersUpdated(bool reprocess) = 0;

 protected:
  ~IFilterTrace() = default;
};
// FILTER FACE END
