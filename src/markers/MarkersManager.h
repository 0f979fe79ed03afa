#pragma once
// The markers of one diagram: 30 marker slots and 10 relation slots, the active marker, the
// commands of the marker menu and their keys, the bindings of markers to the diagram's
// traces as traces come, move and go, drawing and hit-testing on the diagram's chart, and the
// marker preset file (".mrk"), whose element is also the markers part of the layout.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "chart/Canvas.h"
#include "core/MenuModel.h"
#include "interfaces/MarkersManagerInterface.h"
#include "interfaces/MeasurementInterface.h"
#include "markers/Marker.h"
#include "markers/RelationMarker.h"

class DiagramControlInterface;
class DiagramInterface;
class MeasurementInterface;


// Keys the manager and its markers take (the codes of the platform the layouts come from).
enum EMarkerKey : int {
  mkLeft = 0x25,
  mkRight = 0x27,
  mkF8 = 0x77,
};

class CMarkersManager : public IMarkersManager {
 public:
  // `control` may be null (a diagram without a control: nothing goes to an instrument).
  CMarkersManager(DiagramInterface* diagram, DiagramControlInterface* control);
  ~CMarkersManager() override;

  // IMarkersManager
  IMarker* GetActiveMarker() const override { return active_; }
  IMarker* GetMarker(unsigned index) const override { return Marker(index); }
  unsigned GetMarkerCount() const override { return kMarkerCount; }
  unsigned GetRelationCount() const override { return kRelationCount; }
  bool LoadMarkers() override;
  bool SaveMarkers() override;
  void Reset() override;
  void SetCompactMode(bool on) override;
  bool IsCompactMode() const override { return compact_; }
  void SetLargeFont(bool on) override;
  bool IsLargeFont() const override { return largeFont_; }
  void SetActiveMarker(unsigned index) override;
  void Update(TraceInterface* trace) override;
  void UpdateStat(TraceInterface* trace, bool reset) override;

  CMarker* Marker(unsigned index) const;  // null (and an assertion) outside 0 … 29
  CRelationMarker* Relation(unsigned index) const;
  int GetMarkerIndex(const IMarker* marker) const;
  void SetActiveMarker(IMarker* marker);
  DiagramInterface* Diagram() const { return diagram_; }
  DiagramControlInterface* Control() const { return control_; }

  // Points [offset, offset + count) of a sweep of `size` were written: markers of the trace
  // search again once the points their search reads are all there, so a sweep that arrives
  // in many blocks costs each marker one search.
  void DataWritten(TraceInterface* trace, int offset, int count, int size);

  // The diagram's traces changed order, came or went: every marker keeps its trace, its
  // reference trace and its shown lines by the traces' ids. Traces that went leave the
  // markers unbound.
  void TracesChanged();
  // A trace moved from row `from` to row `to`, the rows between shifting by one. Markers keep
  // their traces by id, so the move is taken as any other change of order.
  void MoveTrace(int from, int to) {
    if (from != to) TracesChanged();
  }
  // A trace's name changed: relation expressions that use the old name may follow.
  // A trace may have a new name (its look changed): RenameTrace when it has.
  void TraceLook(TraceInterface* trace);
  void RenameTrace(TraceInterface* trace, const std::wstring& oldName, const std::wstring& newName);
  // Shows the trace on the read-out of every marker in use (for a trace just added).
  void ShowTrace(int index);
  bool ShowsNewTraces() const { return showNewTraces_; }

  // Channel notices: frequency-counter results and the synchronisation output.
  void CallbackChanged(MeasurementInterface* measurement, EMeasureParam kind);

  // Commands.
  bool ActivateFirstParkedMarker();
  void ToggleMarkersActivity();
  void ActivateMarkers();
  void DeactivateMarkers();
  bool ResetMarkers();
  // Links two markers with the first free relation slot; null when there is none.
  CRelationMarker* ConnectMarkers(CMarker* a, CMarker* b, double framePos);
  void RemoveRelation(CRelationMarker* relation);

  // Markers on the highest maxima of the first trace, each tracking its maximum by ordinal;
  // asks for the amplitude tolerance. False when cancelled.
  bool FindExtremums();
  // Whether harmonic search is offered: the diagram's channel has a reference level.
  bool HarmonicSearchOffered() const;
  double HarmonicTolerance() const { return tolerance_; }
  // Markers at stimulus values typed or loaded from a file, showing the traces chosen.
  bool AutoManage();
  // The properties forms.
  bool ShowMarkerPropForm(IMarker* marker) override;
  bool ShowLinkPropForm(CRelationMarker* relation);
  // The trace selector of a marker: its ticked traces become its shown lines.
  bool ChooseShownTraces(CMarker* marker);

  // The marker menu: the manager's commands, then the active marker's own items.
  void PrepareMenu(CMenuComponent* menu);
  // Keys; true when taken.
  bool KeyDown(int key, bool ctrl, bool shift, bool alt);

  // Whether the host lets markers send commands to the instrument (option "DeviceControl").
  bool DeviceControlAllowed() const;
  bool IsFreqCounterEnabled() const { return freqCounter_; }
  void BlockUpdate(bool block) { updateBlocked_ = block; }
  bool IsUpdateBlocked() const { return updateBlocked_ || loading_; }
  void BlockRepaint(bool block) { repaintBlocked_ = block; }

  // Drawing on the diagram's chart, after the series.
  void Paint(ICanvas& canvas, const SRect& plot);
  // The marker under a pixel (its triangle or its frame), or null.
  CMarker* GetMarkAtPoint(int x, int y) const;
  // Mouse on the chart; true when a marker took it.
  bool MouseDown(int x, int y);
  bool MouseMove(int x, int y);
  bool MouseUp(int x, int y);
  // A marker's settings or the active marker changed: the property pages follow.
  void MarkerChanged();
  // Asks the diagram's view for a new frame.
  void Repaint();
  std::function<void()> onRepaint;

  // Files.
  bool SaveMarkersToFile(const std::wstring& path);
  bool LoadMarkersFromFile(const std::wstring& path);
  void WriteMarksToXMLNode(pugi::xml_node element) const;
  void ReadMarksFromXMLNode(pugi::xml_node node);

 private:
  std::vector<std::uint64_t> TraceIds() const;

  DiagramInterface* diagram_;
  DiagramControlInterface* control_;
  std::array<std::unique_ptr<CMarker>, kMarkerCount> markers_;
  std::array<std::unique_ptr<CRelationMarker>, kRelationCount> relations_;
  CMarker* active_ = nullptr;
  CMarker* dragged_ = nullptr;
  std::vector<std::uint64_t> traceIds_;  // the diagram's traces as the markers last knew them
  std::vector<std::wstring> traceNames_;
  std::array<bool, kMarkerCount> pending_{};  // waits for the rest of a sweep
  bool loading_ = false;
  bool freqCounter_ = false;
  bool largeFont_ = false;
  bool compact_ = false;
  bool showNewTraces_ = true;
  bool updateBlocked_ = false;
  bool repaintBlocked_ = false;
  double tolerance_ = kNoValue;  // of harmonic search; NaN until first computed
  std::vector<double> placement_;
};
