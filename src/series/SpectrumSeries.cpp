#include "series/SpectrumSeries.h"

#include <algorithm>

#include "common/Assert.h"

void TQuorSpectrumSeries::AddArray(int start, int count, const double* y, const double* x) {
  if (!PV_ASSERT(start >= 0 && count >= 0 && (count == 0 || (x != nullptr && y != nullptr)))) return;
  // The line holds the newest sweep: overwrite what it has, append the rest.
  const int overlap = std::clamp(Count() - start, 0, count);
  if (start <= Count()) {
    ReplaceXY(start, x, y, overlap);
    AppendXY(x + overlap, y + overlap, count - overlap);
  }
  storage_.AddArray(start, count, y, x);
}

void TQuorSpectrumSeries::SourceWritten(int first, int count) {
  if (count <= 0) return;
  storage_.AddArray(first, count, Data().Y() + first, Data().X() + first);
}

void TQuorSpectrumSeries::Draw(ICanvas&) {
  // The history image comes from the drawing thread of the spectrum view; nothing to draw
  // from the line itself.
}
