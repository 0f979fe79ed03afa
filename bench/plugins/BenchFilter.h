#pragma once
// The filter the plug-in factory benchmark creates: a typical small dynamic filter with a
// few settings, built both into a package and into the benchmark itself for the baseline.
#include "filters/Filter.h"

class CBenchFilter : public CDynamicFilter {
 public:
  double factor = 1;
  int window = 3;

  void ProcessData(bool& changed, int& offset, int& count, int&, double*&, double*& y,
                   double*&) override {
    for (int i = offset; i < offset + count; ++i) y[i] *= factor;
    changed = true;
  }
};
