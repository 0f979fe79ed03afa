#pragma once
// Base classes of trace filters. A filter comes from a plug-in package of type "FILTER"
// (core/PluginApi.h), is owned by one trace, and is called by it on every data update and
// on changes of the trace, its channel and its diagram. Every operation has a harmless
// default, so a plug-in overrides only what it needs.
//
// Writing a filter: derive from CDynamicFilter to transform whole data arrays (override
// ProcessData, or ProcessDataEx to read the block's context), or from CFilter for a static
// step (Process); keep settings in parameters or in Serialize/Deserialize; put
// PLOTVANE_DECLARE_PLUGIN(CMyFilter, "NAME", "FILTER") in one source file; build the folder
// with plotvane_add_plugin() into diagram_plugins/.
#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "filters/PropertiesList.h"
#include "interfaces/MeasurementInterface.h"
#include "interfaces/FilterTrace.h"

class CFilter {
 public:
  // Plug-in objects of this kind are handed across the package boundary as CFilter*.
  using PluginBase = CFilter;

  CFilter() = default;
  CFilter(const CFilter&) = delete;
  CFilter& operator=(const CFilter&) = delete;

  virtual ~CFilter();
  // Static processing step over the trace's points [offset, offset + count) of size.
  virtual void Process(bool reset, int size, int offset, int count);
  virtual void TraceChanged();
  // The trace's channel announced a change; set reprocess to have the data processed again.
  virtual void MeasurementChanged(bool& reprocess, EMeasureParam kind);
  virtual void DiagramChanged();
  // The filter's own state inside the trace's XML element.
  virtual void Serialize(pugi::xml_node node, const char* name);
  virtual void Deserialize(pugi::xml_node node, const char* name);
  virtual void DrawFilter();
  // The stored value; empty for a name never set.
  virtual std::wstring GetParameter(const wchar_t* name);
  virtual void SetParameter(const wchar_t* name, const wchar_t* value);
  // Copies the settings of a filter of the same kind.
  virtual void Assign(CFilter* other);
  virtual void UpdateFilter();
  // The filter's automation object, null when it has none.
  virtual void* GetAutomationInterface();
  // Called after the enabled state changed.
  virtual void ChangedEnabled(bool enabled);
  // Recomputes the status line.
  virtual void UpdateStatus();

  void SetTrace(IFilterTrace* trace) { trace_ = trace; }
  IFilterTrace* GetTrace() const { return trace_; }
  bool GetEnabled() const { return enabled_; }
  // The second argument is accepted for callers that pass it; the base ignores it.
  void SetEnabled(bool enable, bool update = false);
  const std::wstring& GetStatusLine() const { return statusLine_; }
  // Asks the trace to apply changed settings (reprocess: run the data through again).
  void FilterParametersUpdated(bool reprocess);
  // Disabled, with a fresh status line.
  void Reset();
  // The names of the parameters stored so far, in key order: what a page can offer to edit.
  std::vector<std::wstring> GetParameterNames() const {
    std::vector<std::wstring> names;
    for (const auto& entry : parameters_) names.push_back(entry.first);
    return names;
  }

 protected:
  IFilterTrace* trace_ = nullptr;  // not owned
  bool enabled_ = false;
  std::wstring statusLine_;
  // std::less<> compares code unit by code unit and lets lookups go without a copy.
  std::map<std::wstring, std::wstring, std::less<>> parameters_;
};

class CDynamicFilter : public CFilter {
 public:
  // Transforms the arrays in place or replaces them (then updates size and the pointers).
  virtual void ProcessData(bool& changed, int& offset, int& count, int& size, double*& x, double*& y,
                           double*& z);
  // The call the trace makes, with the block's context; the base passes the data on to
  // ProcessData and ignores properties.
  virtual void ProcessDataEx(bool& changed, int& offset, int& count, int& size, double*& x,
                             double*& y, double*& z, IPropertiesList* properties);
};
