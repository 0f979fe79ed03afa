#pragma once
// The math trace: point by point, an expression over one or two other traces of the diagram
// (its sources A and B). It subscribes to its sources; when one has finished a block, the
// affected points are computed and go through the math trace's own pipeline (filters,
// renderer, markers) like the data of any trace. Real data are evaluated by the expression
// interpreter over whole arrays; complex data by the built-in complex operations.
#include <complex>
#include <functional>
#include <string>
#include <vector>

#include "core/Interpreter.h"
#include "traces/Trace.h"

class CTraceMath : public CTraceMathSource, public ITraceObserver {
 public:
  // Modes: kFreeExpression, the interpreter's operations 0 … 5, the complex ones from
  // kFirstComplexMode (A − B, A + B, (A + B) / 2, A / B, A × B).
  static constexpr int kFreeExpression = -1;
  static constexpr int kFirstComplexMode = 6;
  static constexpr int kLastMode = kFirstComplexMode + 4;

  explicit CTraceMath(DiagramInterface* diagram);
  ~CTraceMath() override;

  std::wstring GetTraceType() const override { return L"Math"; }
  bool IsFixedRef() const override { return false; }
  std::wstring GetStringInfo(int index) const override;
  void Serialize(pugi::xml_node element) override;
  void Deserialize(pugi::xml_node element) override;
  void Assign(TraceInterface* other) override;

  // The name of source A (0) or B (1); empty when unset.
  std::wstring GetSource(int index) const;
  // The diagram's trace at `traceIndex` becomes source A (0) or B (1). Refused for a trace
  // that cannot be a source: not a math source, this trace, or one that depends on it.
  bool SetSource(int index, unsigned traceIndex);
  bool SetSourceTrace(int index, CTraceMathSource* trace);
  CTraceMathSource* SourceTrace(int index) const;
  // True when this trace is `trace` or computes from it, directly or through math traces.
  bool DependsOn(const ITraceView* trace) const;

  // The expression over "A" and "B" ("A-B", "20*log(A/B)"); false when the interpreter
  // refuses it (the previous one stays). `report`: the operator is told of a refusal; callers
  // without an operator (scripts) pass false and report it themselves.
  bool SetExpression(const std::wstring& expression, bool report = true);
  const std::wstring& GetExpression() const { return expression_; }
  // The expression with the sources' names for A and B.
  std::wstring GetDisplayExpression() const;
  int GetMode() const { return mode_; }
  bool SetMode(int mode);

  // The expression dialog; false when it was cancelled or no editor is installed.
  bool ShowPropertiesForm();
  // The trace's menu: "Настройка выражения...".
  void PrepareMenu(CPopupMenu* menu) override;

  // The editor behind ShowPropertiesForm, installed once per process by the UI layer (the
  // Qt layer shows its expression dialog); none by default.
  using ExpressionEditor = std::function<bool(CTraceMath*)>;
  static ExpressionEditor SetExpressionEditor(ExpressionEditor editor);

  // --- ITraceObserver: a source delivered a block, or goes away
  void TraceChanged(const STraceChange& change) override;

 private:
  void SourceDataChanged(CTraceMathSource* source, bool reset, int size, int offset, int count);
  // Everything again from the sources (after a change of sources or expression).
  void Recompute();
  bool ComputeReal(int offset, int count);
  void ComputeComplex(int offset, int count);
  bool IsComplex() const;

  CTraceMathSource* sources_[2] = {nullptr, nullptr};
  bool updated_[2] = {false, false};
  bool pendingReset_ = false;
  bool mismatchReported_ = false;
  int mode_ = 0;
  std::wstring expression_ = L"A-B";
  IInterpreterPtr interpreter_;
  std::vector<double> missing_;  // NaN for an empty slot B, kept from block to block
  CBlockBuffers buffers_;
};
