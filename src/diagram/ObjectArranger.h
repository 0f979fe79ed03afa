#pragma once
// Where the diagrams of the control lie inside its client area. There are nine rectangles
// ("positions") in percent of the area and nine arrangements ("modes") of up to four
// diagrams over them. The arranger also tells which mode follows when a diagram is added
// or removed, so a removal never leaves a hole, and which position a point falls into while
// a diagram is dragged (drop zones). Constant tables filled once: nothing is drawn or
// allocated after construction.
#include <array>

#include "chart/Canvas.h"

class CObjectArranger {
 public:
  static constexpr int kPositionCount = 9;
  static constexpr int kModeCount = 9;
  static constexpr int kMaxDiagrams = 4;  // slots of a mode
  static constexpr int kMaxZones = 8;     // drop zones of one diagram count

  // Position 8, the whole area.
  static constexpr int kWholeArea = 8;

  CObjectArranger();

  // The rectangle of `position` in an area of width × height (percent × size / 100, integer
  // division, so the right and bottom edges of the outer positions are the area's own).
  // False, rect untouched, for a position outside 0 … 8.
  bool GetPosition(SRect& rect, int position, int width, int height) const;
  // Position of diagram `index` in `mode`; -1 for a free slot or an argument out of range.
  int GetModePosition(int mode, int index) const;
  // The first mode that holds `count` diagrams; -1 when none does.
  int GetMode(int count) const;
  // True when `mode` (0 … 8) holds exactly `count` diagrams.
  bool CheckMode(int mode, int count) const;
  // True when `position` is one of the mode's occupied positions; `index` (when given)
  // receives the slot it occupies, or -1.
  bool CheckPosition(int mode, int position, int* index = nullptr) const;
  // The mode after a diagram is added (removed false) or the diagram at `position` is
  // removed. A mode, or on removal a position, out of range returns `mode` unchanged.
  int GetModeOnCountChange(int mode, bool removed, int position) const;
  // The first mode of `count` diagrams that uses `position`; -1 when none does or an
  // argument is out of range.
  int GetNewMode(int position, int count) const;
  // Position of the index-th of the mode's other diagrams when the one at `majorPosition`
  // is left out of the counting; index runs over 0 … count - 2, -1 otherwise.
  int GetMinorElementPosition(int index, int mode, int majorPosition) const;
  // The position a diagram dropped at (x, y) of an area of width × height takes when the
  // area holds `count` (2, 3 or 4) diagrams: the first zone containing the point, bounds
  // inclusive; -1 for another count, a point outside the area or outside every zone.
  int GetPositionNumber(int count, long x, long y, int width, int height) const;

  // Table builders, run by the constructor.
  void SetModes();
  void SetZones();
  // Every on-delete entry of `mode` becomes otherMode, except that of specialPosition,
  // which becomes specialMode; specialPosition -1 makes no exception.
  void SetModeOnDelete(int mode, int specialPosition, int otherMode, int specialMode);

 private:
  struct SPercentRect {
    int left, top, right, bottom;
  };
  struct SMode {
    int count = 0;
    std::array<int, kMaxDiagrams> positions{-1, -1, -1, -1};
    int modeOnAdd = 0;
    std::array<int, kPositionCount> modeOnDelete{};
  };
  // Fractions of the area's width and height; free slots hold -1 throughout.
  struct SZone {
    double xFrom = -1.0, xTo = -1.0, yFrom = -1.0, yTo = -1.0;
    int position = -1;
  };

  static bool ValidMode(int mode) { return mode >= 0 && mode < kModeCount; }
  static bool ValidPosition(int position) { return position >= 0 && position < kPositionCount; }
  void SetMode(int mode, int count, std::array<int, kMaxDiagrams> positions, int modeOnAdd);
  void SetZone(int count, int zone, double xFrom, double xTo, double yFrom, double yTo, int position);

  std::array<SPercentRect, kPositionCount> positions_;
  std::array<SMode, kModeCount> modes_;
  // Zones of 2, 3 and 4 diagrams, in the order they are tested.
  std::array<std::array<SZone, kMaxZones>, 3> zones_;
};
