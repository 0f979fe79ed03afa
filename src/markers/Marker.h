#pragma once
// A point marker on one trace of a diagram: it searches its trace on every update (free,
// minimum, maximum, level, offset from a reference marker), shows the values there in a
// read-out frame and, where the host allows, drives the instrument (frequency counter,
// synchronisation point, centre, reference level).
#include <array>
#include <chrono>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "chart/Canvas.h"
#include "common/StatStorage.h"
#include "interfaces/Automation.h"
#include "interfaces/MarkerInterface.h"
#include "markers/MarkerSearch.h"

class CMarkersManager;
class CMenuComponent;
class CRelationMarker;
class DiagramInterface;

class CMarker : public IMarker {
 public:
  CMarker(CMarkersManager* manager, DiagramInterface* diagram, std::wstring name);

  // IMarker
  void CountFreq(bool force) override;
  std::wstring GetCaption() const override { return name_; }
  double GetCounterFreq() const override { return counterFreq_; }
  double GetFreq() const override { return x_; }
  std::wstring GetFreqString() const override;
  const SMarkParams& GetParams() const override { return params_; }
  bool GetParked() const override { return params_.parked; }
  std::wstring GetTraceValueString(int line) const override;
  bool GetSeriesValue(double& value, const wchar_t* title, int component = 0) const override;
  bool IsFixed() const override { return fixed_; }
  bool IsSelected() const override { return selected_; }
  bool IsShowing() const override { return !params_.parked && !hidden_; }
  bool IsWaitingCounter() const override { return waitingCounter_; }
  TraceInterface* LineTrace(unsigned line) const override;
  bool LinkToTrace(const wchar_t* title) override;
  void ResetSyncPoint() override;
  void SetOnFreq(double x, bool clip, bool repaint) override;
  void SetActive(bool on) override { on ? Activate(true) : Deactivate(true); }
  void SetFixed(bool on) override;
  void SetMode(EMarkMode mode) override;
  bool SetOnExtremum(EMarkMode mode, unsigned index, double excursion) override;
  void SetParams(const SMarkParams& params) override;
  void SetSeekRange(bool enable, double min, double max) override;
  TraceInterface* SrcTrace(bool reference = false) const override;
  void SetCenter() override;
  void SetRefLevel() override;
  void StatReset() override;
  bool IsActivated() const override { return activated_; }

  CMarkersManager* Manager() const { return manager_; }
  DiagramInterface* Diagram() const { return diagram_; }
  // The marker's automation object: the one of its slot on its diagram (null without one).
  std::shared_ptr<IAutomationObject> GetAutomationInterface() const;

  // The search; see the rules in MarkerSearch.h.
  void Update();
  // Blocks Update (while a form or the manager changes several things at once).
  void BlockUpdate(bool block) { blocked_ = block; }

  void Activate(bool update);
  void Deactivate(bool update);
  void Show();
  void Hide();
  void Park();
  void UnPark();
  // Back to the default record (parked).
  void Reset(bool update);
  void SetSelected(bool on) { selected_ = on; }
  void LinkToTrace(int index);

  // Delta markers that use this marker as their reference, and relations that use it.
  void AddReference(CMarker* marker);
  void RemoveReference(CMarker* marker);
  void UpdateDeltaMarkers();
  void Connect(CRelationMarker* relation);
  void Disconnect(CRelationMarker* relation);
  const std::vector<CRelationMarker*>& Relations() const { return relations_; }

  // The value on read-out line `line`: component 0 the response, 1 the second component.
  double LineValue(unsigned line, int component = 0) const;

  // Statistics of the shown lines over sweeps of the bound trace.
  void UpdateStat(TraceInterface* trace);

  // Frequency counter and synchronisation point.
  void SetCorrectedFreq(double freq);
  void ResetCounter();
  void SendSyncPoint(bool enable, int index);
  bool IsSyncPointEnabled() const { return syncEnabled_; }

  // Points of the trace the search depends on; the manager runs Update once they arrived.
  SIndexSpan Dependency() const;

  // Extreme-search display: the extrema a dragged marker can snap to.
  void AutoSearchStart();
  void AutoSearchFinish();
  void AutoSearchAbort();
  const std::vector<SPointF>& Candidates(bool maxima) const { return maxima ? maxima_ : minima_; }

  // "Диапазон поиска маркера 1: 1 ГГц … 2 ГГц": the hint of the search-range line.
  std::wstring RangeHint() const;
  // Read-out text, one entry per line shown (the name first).
  const std::vector<std::wstring>& ReadOut() const { return readOut_; }
  void UpdateList();

  // Drawing and hit-testing, in the pixels of the diagram's chart.
  // The tip of the triangle (the marker's point on the trace); false when not on screen.
  bool TipPoint(SPointF& tip) const;
  void PaintTriangle(ICanvas& canvas, TColor color) const;
  // The read-out frame at `top` in the plot, moved down below any of the `taken` frames it
  // would cover (while the plot has room); returns the frame drawn.
  SRect PaintFrame(ICanvas& canvas, const SRect& plot, int top, bool large, const std::vector<SRect>& taken = {}) const;
  bool HitTriangle(double x, double y) const;
  const SRect& FrameRect() const { return frameRect_; }
  // Stimulus under a pixel column of the bound trace, NaN off the plot.
  double StimulusAtPixel(int px) const;

  // Commands of the marker's menu and keys.
  void PrepareMenu(CMenuComponent* menu);
  // Key codes are those of KeyDown in MarkersManager.h; true when the key was taken.
  bool KeyDown(int key, bool ctrl, bool alt);
  bool CopyValue(int line);

  // The marker element of the preset file and the layout; nothing at the defaults.
  void Serialize(pugi::xml_node parent, int id) const;
  void Deserialize(pugi::xml_node node);

 private:
  SSearchInput MakeInput(SSearchView& view, TraceInterface*& trace) const;
  bool DeviceControl() const;
  void Repaint();
  std::wstring StimulusQuantity() const;
  std::wstring FormatStimulus(double x) const;
  std::wstring LineName(unsigned line) const;

  CMarkersManager* manager_;
  DiagramInterface* diagram_;
  std::wstring name_;
  SMarkParams params_;
  bool activated_ = false;
  bool hidden_ = false;
  bool selected_ = false;
  bool fixed_ = false;
  bool onTrace_ = false;
  bool waitingCounter_ = false;
  bool syncEnabled_ = false;
  bool blocked_ = false;
  bool autoSearch_ = false;
  int lastSync_ = -1;
  double x_ = kNoValue;
  double counterFreq_ = kNoValue;
  std::chrono::steady_clock::time_point counterTick_{};
  std::vector<CMarker*> deltaMarkers_;
  std::vector<CRelationMarker*> relations_;
  std::vector<SPointF> minima_;  // (stimulus, value) of the candidates
  std::vector<SPointF> maxima_;
  std::vector<std::wstring> readOut_;
  std::array<CStatStorage, kStoredLines> stat_;
  bool statUsed_ = false;
  mutable SRect frameRect_{};
};
