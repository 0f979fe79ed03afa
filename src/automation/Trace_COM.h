#pragma once
// The automation object of a trace: its data, scale, name, channel, the members of memory and
// math traces, and its sweep events. It follows the trace through the trace's notices: on
// tcRemoved it lets go and answers E_POINTER from then on; on tcSweepEnded it raises its
// events. A trace moved to another diagram keeps its object.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "automation/Automation.h"
#include "interfaces/Automation.h"
#include "interfaces/TraceView.h"

class TraceInterface;

class Trace_COM : public IAutomationObject, public ITraceObserver {
 public:
  explicit Trace_COM(TraceInterface* trace);
  ~Trace_COM() override;
  Trace_COM(const Trace_COM&) = delete;
  Trace_COM& operator=(const Trace_COM&) = delete;

  void Unbind() override;
  void TraceChanged(const STraceChange& change) override;

  // The engine trace, null once it is gone.
  TraceInterface* Bound() const { return trace_; }
  // The trace's id; kept after the trace is gone, so transports can still name the object.
  std::uint64_t TraceId() const { return id_; }

  // The displayed stimulus and response, SrcSize() values each.
  HResult FetchData(std::vector<double>& stim, std::vector<double>& resp) const;
  HResult GetData(std::vector<double>& stim, std::vector<double>& resp) const { return FetchData(stim, resp); }
  // The received points: stimulus, response and second component.
  HResult GetSourceData(std::vector<double>& stim, std::vector<double>& reResp, std::vector<double>& imResp) const;
  // The named filter's own automation object.
  HResult get_Filter(const std::wstring& name, void*& filter) const;
  HResult FixHorizAxis();
  HResult AutoScale();
  HResult get_ScaleDiv(double& div) const;
  HResult put_ScaleDiv(double div);
  HResult get_Name(std::wstring& name) const;
  HResult put_Name(const std::wstring& name);
  // Binds the trace to the first channel of its diagram with that name and, unless
  // `channelName` is empty, that parameter "channel".
  HResult SetMeasurement(const std::wstring& msrName, const std::wstring& channelName);
  HResult get_Measurement(std::wstring& name) const;
  // Memory traces: the arrays become the trace's whole sweep, through its "QUANTITY" filter.
  HResult SetData(std::vector<double> stim, std::vector<double> resp);
  HResult get_ScaleRef(double& ref) const;
  HResult put_ScaleRef(double ref);
  HResult get_RefPos(int& position) const;
  HResult put_RefPos(int position);
  HResult get_Type(TraceType& type) const;
  HResult get_Visible(bool& visible) const;
  HResult put_Visible(bool visible);
  // Math traces: source A (0) or B (1) by name, and the expression.
  HResult SetMathSource(int sourceNum, const std::wstring& sourceName);
  HResult GetMathSource(int sourceNum, std::wstring& sourceName) const;
  HResult get_MathOperation(std::wstring& expression) const;
  HResult put_MathOperation(const std::wstring& expression);
  // The parameter "channel" of the trace's channel.
  HResult get_Channel(std::wstring& channel) const;
  HResult get_ID(std::int64_t& id) const;
  HResult RefreshStaticTrace();
  // Memory traces: like SetData, with a second component and without the quantity step.
  HResult SetSourceData(std::vector<double> stim, std::vector<double> reResp, std::vector<double> imResp);
  // The response at a stimulus, interpolated.
  HResult GetValue(double stim, double& value) const;

  // Event sinks; the cookie of Advise is never 0. A sink unadvises before it goes away.
  unsigned Advise(ITrace_COMEvents* sink);
  void Unadvise(unsigned cookie);

 private:
  TraceInterface* trace_;
  std::uint64_t id_;
  std::vector<std::pair<unsigned, ITrace_COMEvents*>> sinks_;
  unsigned nextCookie_ = 0;
};
