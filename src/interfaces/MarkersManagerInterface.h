#pragma once
// The markers manager of a diagram: 30 marker slots and 10 relation slots, the active marker,
// and what the diagram tells it about its traces.
#include <cstdint>

class IMarker;
class ITraceView;
class TraceInterface;

class IMarkersManager {
 public:
  virtual ~IMarkersManager() = default;
  virtual IMarker* GetActiveMarker() const = 0;
  virtual IMarker* GetMarker(unsigned index) const = 0;
  virtual unsigned GetMarkerCount() const = 0;
  virtual unsigned GetRelationCount() const = 0;
  // Asks for a file and loads / saves the markers; false when cancelled or failed.
  virtual bool LoadMarkers() = 0;
  virtual bool SaveMarkers() = 0;
  // Every marker and relation back to its defaults.
  virtual void Reset() = 0;
  virtual void SetCompactMode(bool on) = 0;
  virtual bool IsCompactMode() const = 0;
  virtual void SetLargeFont(bool on) = 0;
  virtual bool IsLargeFont() const = 0;
  virtual void SetActiveMarker(unsigned index) = 0;
  // The properties form of a marker; true when closed with OK.
  virtual bool ShowMarkerPropForm(IMarker* marker) = 0;
  // The trace's data changed: every marker bound to it searches again.
  virtual void Update(TraceInterface* trace) = 0;
  // The trace finished a sweep; `reset` when the sweep started over.
  virtual void UpdateStat(TraceInterface* trace, bool reset) = 0;
};
