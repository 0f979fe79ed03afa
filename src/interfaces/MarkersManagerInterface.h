#pragma once
// The markers manager of a diagram as traces see it: told when a trace's data changed and
// when its sweep ended, so bound markers repeat their searches and statistics.
class TraceInterface;

class IMarkersManager {
 public:
  virtual ~IMarkersManager() = default;
  // The trace's data changed: every marker bound to it searches again.
  virtual void Update(TraceInterface* trace) = 0;
  // The trace finished a sweep; `reset` when the sweep started over.
  virtual void UpdateStat(TraceInterface* trace, bool reset) = 0;
};
