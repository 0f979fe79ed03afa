#include "diagram/ObjectArranger.h"

CObjectArranger::CObjectArranger()
    : positions_{{
          {0, 0, 50, 50},     // 0 top-left quarter
          {50, 0, 100, 50},   // 1 top-right quarter
          {0, 50, 50, 100},   // 2 bottom-left quarter
          {50, 50, 100, 100}, // 3 bottom-right quarter
          {0, 0, 100, 50},    // 4 top half
          {0, 50, 100, 100},  // 5 bottom half
          {0, 0, 50, 100},    // 6 left half
          {50, 0, 100, 100},  // 7 right half
          {0, 0, 100, 100},   // 8 whole area
      }} {
  SetModes();
  SetZones();
}

void CObjectArranger::SetMode(int mode, int count, std::array<int, kMaxDiagrams> positions,
                              int modeOnAdd) {
  SMode& m = modes_[static_cast<std::size_t>(mode)];
  m.count = count;
  m.positions = positions;
  m.modeOnAdd = modeOnAdd;
}

void CObjectArranger::SetModes() {
  // A second diagram goes below the first, a third splits the lower half, a fourth fills
  // the quarters; the largest mode stays itself on add (the control limits the count).
  SetMode(0, 0, {-1, -1, -1, -1}, 1);
  SetMode(1, 1, {8, -1, -1, -1}, 2);
  SetMode(2, 2, {4, 5, -1, -1}, 4);
  SetMode(3, 2, {6, 7, -1, -1}, 6);
  SetMode(4, 3, {4, 2, 3, -1}, 8);
  SetMode(5, 3, {0, 1, 5, -1}, 8);
  SetMode(6, 3, {6, 1, 3, -1}, 8);
  SetMode(7, 3, {0, 2, 7, -1}, 8);
  SetMode(8, 4, {0, 2, 1, 3}, 8);

  // Whatever goes, the rest closes up: losing the top half of mode 4 leaves the two lower
  // quarters side by side (mode 3), losing one of them leaves two halves stacked (mode 2).
  SetModeOnDelete(0, -1, 0, 0);
  SetModeOnDelete(1, -1, 0, 0);
  SetModeOnDelete(2, -1, 1, 1);
  SetModeOnDelete(3, -1, 1, 1);
  SetModeOnDelete(4, 4, 2, 3);
  SetModeOnDelete(5, 5, 2, 3);
  SetModeOnDelete(6, 6, 3, 2);
  SetModeOnDelete(7, 7, 3, 2);
  SetModeOnDelete(8, -1, 5, 5);
  modes_[8].modeOnDelete[0] = 4;  // a top quarter goes: the other one takes the top half
  modes_[8].modeOnDelete[1] = 4;
}

void CObjectArranger::SetModeOnDelete(int mode, int specialPosition, int otherMode, int specialMode) {
  if (!ValidMode(mode)) return;
  SMode& m = modes_[static_cast<std::size_t>(mode)];
  m.modeOnDelete.fill(otherMode);
  if (ValidPosition(specialPosition)) m.modeOnDelete[static_cast<std::size_t>(specialPosition)] = specialMode;
}

void CObjectArranger::SetZone(int count, int zone, double xFrom, double xTo, double yFrom, double yTo,
                              int position) {
  zones_[static_cast<std::size_t>(count - 2)][static_cast<std::size_t>(zone)] = {xFrom, xTo, yFrom, yTo,
                                                                                 position};
}

void CObjectArranger::SetZones() {
  for (auto& list : zones_) list.fill(SZone{});

  // Two diagrams: stacked halves in the middle band, side-by-side halves at the edges.
  SetZone(2, 0, 0.3, 0.7, 0.0, 0.5, 4);
  SetZone(2, 1, 0.3, 0.7, 0.5, 1.0, 5);
  SetZone(2, 2, 0.0, 0.3, 0.0, 1.0, 6);
  SetZone(2, 3, 0.7, 1.0, 0.0, 1.0, 7);

  // Three diagrams: quarters in the corners, halves along the middle of each side.
  SetZone(3, 0, 0.0, 0.35, 0.0, 0.35, 0);
  SetZone(3, 1, 0.65, 1.0, 0.0, 0.35, 1);
  SetZone(3, 2, 0.0, 0.35, 0.65, 1.0, 2);
  SetZone(3, 3, 0.65, 1.0, 0.65, 1.0, 3);
  SetZone(3, 4, 0.35, 0.65, 0.0, 0.5, 4);
  SetZone(3, 5, 0.35, 0.65, 0.5, 1.0, 5);
  SetZone(3, 6, 0.0, 0.35, 0.35, 0.65, 6);
  SetZone(3, 7, 0.65, 1.0, 0.35, 0.65, 7);

  // Four diagrams: the quarters.
  SetZone(4, 0, 0.0, 0.5, 0.0, 0.5, 0);
  SetZone(4, 1, 0.5, 1.0, 0.0, 0.5, 1);
  SetZone(4, 2, 0.0, 0.5, 0.5, 1.0, 2);
  SetZone(4, 3, 0.5, 1.0, 0.5, 1.0, 3);
}

bool CObjectArranger::GetPosition(SRect& rect, int position, int width, int height) const {
  if (!ValidPosition(position)) return false;
  const SPercentRect& p = positions_[static_cast<std::size_t>(position)];
  rect = {p.left * width / 100, p.top * height / 100, p.right * width / 100, p.bottom * height / 100};
  return true;
}

int CObjectArranger::GetModePosition(int mode, int index) const {
  if (!ValidMode(mode) || index < 0 || index >= kMaxDiagrams) return -1;
  return modes_[static_cast<std::size_t>(mode)].positions[static_cast<std::size_t>(index)];
}

int CObjectArranger::GetMode(int count) const {
  for (int mode = 0; mode < kModeCount; ++mode) {
    if (modes_[static_cast<std::size_t>(mode)].count == count) return mode;
  }
  return -1;
}

bool CObjectArranger::CheckMode(int mode, int count) const {
  return ValidMode(mode) && modes_[static_cast<std::size_t>(mode)].count == count;
}

bool CObjectArranger::CheckPosition(int mode, int position, int* index) const {
  if (index != nullptr) *index = -1;
  if (!ValidMode(mode) || !ValidPosition(position)) return false;
  const SMode& m = modes_[static_cast<std::size_t>(mode)];
  for (int i = 0; i < m.count; ++i) {
    if (m.positions[static_cast<std::size_t>(i)] == position) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

int CObjectArranger::GetModeOnCountChange(int mode, bool removed, int position) const {
  if (!ValidMode(mode)) return mode;
  const SMode& m = modes_[static_cast<std::size_t>(mode)];
  if (!removed) return m.modeOnAdd;
  if (!ValidPosition(position)) return mode;
  return m.modeOnDelete[static_cast<std::size_t>(position)];
}

int CObjectArranger::GetNewMode(int position, int count) const {
  if (!ValidPosition(position) || count < 0 || count > kMaxDiagrams) return -1;
  for (int mode = 0; mode < kModeCount; ++mode) {
    if (modes_[static_cast<std::size_t>(mode)].count == count && CheckPosition(mode, position)) return mode;
  }
  return -1;
}

int CObjectArranger::GetMinorElementPosition(int index, int mode, int majorPosition) const {
  if (!ValidMode(mode) || !ValidPosition(majorPosition)) return -1;
  const SMode& m = modes_[static_cast<std::size_t>(mode)];
  if (index < 0 || index > m.count - 2) return -1;
  int minor = 0;
  for (int i = 0; i < m.count; ++i) {
    const int position = m.positions[static_cast<std::size_t>(i)];
    if (position == majorPosition) continue;
    if (minor++ == index) return position;
  }
  return -1;
}

int CObjectArranger::GetPositionNumber(int count, long x, long y, int width, int height) const {
  if (count < 2 || count > kMaxDiagrams) return -1;
  if (x < 0 || x > width || y < 0 || y > height) return -1;
  const double px = static_cast<double>(x);
  const double py = static_cast<double>(y);
  for (const SZone& z : zones_[static_cast<std::size_t>(count - 2)]) {
    if (z.position < 0) continue;
    if (width * z.xFrom <= px && px <= width * z.xTo && height * z.yFrom <= py && py <= height * z.yTo) {
      return z.position;
    }
  }
  return -1;
}
