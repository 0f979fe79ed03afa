#pragma once
// A relation between two markers of a diagram: the value of an expression over their stimulus
// values and trace values (a bandwidth, a level difference), with statistics over sweeps,
// drawn as a connector with a small value frame between the two markers.
#include <string>

#include <pugixml.hpp>

#include "chart/Canvas.h"
#include "common/StatStorage.h"
#include "core/Interpreter.h"
#include "interfaces/MarkParams.h"

class CMarker;
class CMarkersManager;
class CMenuComponent;
class TraceInterface;

class CRelationMarker {
 public:
  explicit CRelationMarker(CMarkersManager* manager);

  CMarkersManager* Manager() const { return manager_; }
  void Connect(CMarker* a, CMarker* b);
  CMarker* GetMarker(int which) const { return which == 0 ? a_ : b_; }
  // Applies a record: false (and the interpreter's message in ErrorText) when its expression
  // does not parse; the previous record then stays, unless `keepRefused` (a record read from a
  // file), which is kept and shows no value.
  bool SetParams(const SConnParams& params, bool keepRefused = false);
  const SConnParams& GetParams() const { return params_; }
  const std::wstring& ErrorText() const { return error_; }
  bool GetActivated() const { return params_.active && a_ != nullptr && b_ != nullptr; }
  void Activate();
  void Deactivate();
  bool IsShowing() const { return GetActivated() && !hidden_; }
  void Show() { hidden_ = false; }
  void Hide() { hidden_ = true; }
  void Reset();

  // Evaluates the expression and rebuilds the text.
  void UpdateValues();
  double CalcCurValue();
  double Value() const { return value_; }
  const std::wstring& GetText() const { return text_; }
  void UpdateStat(TraceInterface* trace);
  void StatReset() { stat_.Reset(); }
  bool NeedsStatistics() const { return needStat_; }

  void Paint(ICanvas& canvas, const SRect& plot, bool compact) const;
  bool HitTest(double x, double y) const;
  void PrepareMenu(CMenuComponent* menu);

  // The relation element of the preset file; the preset form without markers and frame.
  void Serialize(pugi::xml_node parent, bool withMarkers) const;
  static SConnParams Read(pugi::xml_node node, const SConnParams& defaults);

 private:
  void DeclareVariables();
  void SetMarkerVariables(const char* prefix, const std::wstring& number, const CMarker* marker);

  CMarkersManager* manager_;
  IInterpreterPtr interpreter_;
  CMarker* a_ = nullptr;
  CMarker* b_ = nullptr;
  SConnParams params_;
  SConnParams applied_;  // the record with its texts translated
  CStatStorage stat_;
  bool needStat_ = false;
  bool refused_ = false;  // the record's expression did not parse: no value
  bool hidden_ = false;
  bool blocked_ = false;
  double value_ = 0;
  std::wstring text_;
  std::wstring error_;
  mutable SRect frameRect_{};
};
