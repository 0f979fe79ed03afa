#pragma once
// Base of the pages that edit the diagram's selected traces. It keeps the selection as the
// diagram last reported it (SetSelection) and, on Update, what kinds of traces and
// coordinate systems are among it, so a page can offer only what fits them all.
#include <vector>

#include "filters/PropPage.h"

class TraceInterface;

class CPropPageTrace : public CPropPageBase {
 public:
  std::wstring GetName() const override { return L"Trace"; }
  // The page configures the traces themselves rather than one filter plug-in.
  std::wstring FilterAttached() const override { return L"Trace"; }
  std::wstring GetType() const override;
  std::wstring GetHint() const override;
  void SetSelection() override;
  void Update() override;
  void DiagramUpdate() override;

  // The selection is rebuilt by SetSelection; a trace the diagram removed since is
  // dropped by Update before anything reads it.
  unsigned GetSelTracesCount() const { return static_cast<unsigned>(selected_.size()); }
  TraceInterface* GetSelTrace(unsigned index) const { return index < selected_.size() ? selected_[index] : nullptr; }
  bool StaticSelected() const { return staticSelected_; }
  bool MathSelected() const { return mathSelected_; }
  bool SinglePointSelected() const { return singlePoint_; }
  bool SmithCoorSystem() const { return smith_; }
  bool PolarCoorSystem() const { return polar_; }
  bool SpectrumCoorSystem() const { return spectrum_; }
  bool WaterfallCoorSystem() const { return waterfall_; }
  bool HeatmapCoorSystem() const { return heatmap_; }

 protected:
  void UpdateTracesTypes();

 private:
  std::vector<TraceInterface*> selected_;  // not owned
  bool staticSelected_ = false;
  bool mathSelected_ = false;
  bool singlePoint_ = false;
  bool smith_ = false;
  bool polar_ = false;
  bool spectrum_ = false;
  bool waterfall_ = false;
  bool heatmap_ = false;
};
