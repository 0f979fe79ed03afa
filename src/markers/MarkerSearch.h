#pragma once
// The searches of a point marker over plain arrays: where a marker lands for its settings and
// the data of its trace. Free of diagrams and traces, so the rules are exact and testable
// with a handful of points, and fast enough to repeat on every sweep of a million points.
#include <cmath>
#include <limits>

#include "core/Locate.h"
#include "markers/MarkParams.h"

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// The values a search reads: the bound trace T and, for delta measure, the reference trace R.
struct SSearchView {
  int count = 0;                 // T's points, or the smaller of T's and R's
  const double* x = nullptr;     // T's stimulus
  const double* t = nullptr;     // T's response
  const double* rx = nullptr;    // R's stimulus (null without R)
  const double* r = nullptr;     // R's response (null without R)
  int rCount = 0;

  bool Delta() const { return r != nullptr; }
  // Level value: T, or T − R.
  double V(int i) const { return r != nullptr ? t[i] - r[i] : t[i]; }
  // Extremum value: T, or |T − R|.
  double W(int i) const { return r != nullptr ? std::fabs(t[i] - r[i]) : t[i]; }
  SLocation Locate(double value) const { return LocateValue(count, x, value); }
  // W interpolated at a stimulus value (R interpolated on its own stimulus).
  double InterpolatedW(double value) const;
};

// What a search needs besides the data.
struct SSearchInput {
  const SMarkParams* params = nullptr;
  SSearchView view;
  bool valid = false;          // T has points (and R, when there is one, too)
  double stimMin = kNoValue;   // T's stimulus range
  double stimMax = kNoValue;
  double refX = kNoValue;      // x of the reference marker (mode ref)
  double refValue = kNoValue;  // the reference marker's value on this marker's trace
};

// The stimulus where the marker lands, or NaN when the search finds nothing.
double SearchMarker(const SSearchInput& in);

// Points [first, last) whose arrival a search of these settings waits for before it runs:
// a range search needs its range, a free marker the two points around it, the rest all.
struct SIndexSpan {
  int first = 0;
  int last = 0;
};
SIndexSpan SearchDependency(const SMarkParams& params, const SSearchView& view, double stimMin, double stimMax);

// Walks a trace from one local extremum to the next. An extremum counts when the values
// have moved away from it by more than `excursion` on the far side.
class CExtremumIterator {
 public:
  enum EKind { ekAny = 0, ekMaximum = 1, ekMinimum = 2 };

  CExtremumIterator(const SSearchView& view, int start, double excursion)
      : view_(view), start_(start), excursion_(excursion), i_(start), c_(start) {}

  // The index of the next extremum of `kind` after the start, or -1 at the end. With ekAny,
  // kind becomes the kind found.
  int Next(EKind& kind);

 private:
  const SSearchView& view_;
  int start_;
  double excursion_;
  int i_;
  int c_;
  EKind looking_ = ekMaximum;
};

// The index of the extremum of `kind` whose ordinal (counting from 1) along the whole trace
// is `ordinal`, or -1.
int NthExtremum(const SSearchView& view, CExtremumIterator::EKind kind, int ordinal, double excursion);
