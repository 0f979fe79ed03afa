#pragma once
// The test packages' working filter: multiplies the response by the parameter "factor"
// (1 until set) and counts the base-class calls a test wants to see.
#include <cstdlib>
#include <string>

#include "filters/Filter.h"

class CScaleFilter : public CDynamicFilter {
 public:
  double factor = 1;
  int changedEnabledCalls = 0;

  void SetParameter(const wchar_t* name, const wchar_t* value) override {
    CFilter::SetParameter(name, value);
    if (name != nullptr && std::wstring(name) == L"factor") {
      factor = std::wcstod(GetParameter(L"factor").c_str(), nullptr);
      UpdateStatus();
    }
  }

  void ProcessData(bool& changed, int&, int& count, int&, double*&, double*& y,
                   double*&) override {
    for (int i = 0; i < count; ++i) y[i] *= factor;  // the block starts at y[0]
    changed = true;
  }

  void ChangedEnabled(bool) override { ++changedEnabledCalls; }
  void UpdateStatus() override { statusLine_ = L"x" + GetParameter(L"factor"); }
};
