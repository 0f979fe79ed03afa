#pragma once
// The built-in page of the diagram's markers: which marker (it follows the active marker
// while the person has not picked another), whether it is on, its search mode, trace,
// search range, level, tracking, delta measurement with its reference trace, and the
// read-out lines. Every edit reads the marker's settings (IMarker::GetParams), changes one
// field and gives them back (SetParams), so the page never holds settings of its own.
#include <QObject>
#include <QPointer>

#include "filters/PropPage.h"
#include "ui/PropPageControls.h"

class CMarkersManager;
class IMarker;
class QCheckBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;
struct SMarkParams;

class TMarkerPropPage : public CPropPageBase, public IPropPageControls {
 public:
  TMarkerPropPage() = default;
  ~TMarkerPropPage() override;

  std::wstring GetName() const override { return L"Marker"; }
  std::wstring GetType() const override;
  std::wstring GetHint() const override;

  QWidget* CreateControls(QWidget* parent) override;
  QWidget* GetFrame() const override { return frame_; }

  void DiagramUpdate() override;
  void MarkersUpdate() override;
  void Update() override;
  void Serialize(pugi::xml_node node, const char* name) override;
  void Deserialize(pugi::xml_node node, const char* name) override;

  // The marker the page edits (index 0 … 29), null without a diagram.
  IMarker* Marker() const;
  int MarkerIndex() const { return marker_; }
  void SelectMarker(int index);
  bool FollowsActive() const { return followActive_; }

  QComboBox* MarkerBox() const { return markerBox_; }
  QCheckBox* EnabledBox() const { return enabled_; }
  QComboBox* ModeBox() const { return mode_; }
  QComboBox* TraceBox() const { return trace_; }
  QCheckBox* FullRangeBox() const { return fullRange_; }
  TNumberEdit* RangeMinEdit() const { return rangeMin_; }
  TNumberEdit* RangeMaxEdit() const { return rangeMax_; }
  TNumberEdit* LevelEdit() const { return level_; }
  QCheckBox* TrackingBox() const { return tracking_; }
  QCheckBox* DeltaBox() const { return delta_; }
  QComboBox* RefTraceBox() const { return refTrace_; }
  QListWidget* LinesList() const { return lines_; }

 private:
  CMarkersManager* Manager() const;
  // Applies `edit` to a copy of the marker's settings and hands them back.
  template <class F>
  void Edit(F edit);
  void OnEnabled(bool on);
  void OnLineChanged(QListWidgetItem* item);
  void FillTraces(QComboBox* box, int current);

  QPointer<QWidget> frame_;  // the host may destroy the window first
  QComboBox* markerBox_ = nullptr;
  QCheckBox* enabled_ = nullptr;
  QComboBox* mode_ = nullptr;
  QComboBox* trace_ = nullptr;
  QCheckBox* fullRange_ = nullptr;
  TNumberEdit* rangeMin_ = nullptr;
  TNumberEdit* rangeMax_ = nullptr;
  TNumberEdit* level_ = nullptr;
  QCheckBox* tracking_ = nullptr;
  QCheckBox* delta_ = nullptr;
  QComboBox* refTrace_ = nullptr;
  QListWidget* lines_ = nullptr;
  int marker_ = 0;
  bool followActive_ = true;
  bool filling_ = false;
};
