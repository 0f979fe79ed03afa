#pragma once
// A trace of plain fields for tests of code that works through TraceInterface: set the
// fields, run the code, read what it set (scale, update count).
#include <cmath>
#include <string>

#include "interfaces/TraceInterface.h"

class FakeTrace : public TraceInterface {
 public:
  std::wstring name = L"Trc1";
  double scaleRef = 0.0;
  double scaleDiv = 10.0;
  double minScaleDiv = 1e-6;
  bool fixedRef = false;
  int refPosition = 5;
  double maximum = 0.0;
  double minimum = 0.0;
  bool visible = true;
  EPlot plot = plRect;
  int count = 201;

  // What the code under test did.
  int updates = 0;
  int setScaleCalls = 0;
  int setScaleDivCalls = 0;
  int filterUpdates = 0;

  FakeTrace() = default;
  FakeTrace(double minValue, double maxValue) : maximum(maxValue), minimum(minValue) {}

  std::wstring GetName() const override { return name; }
  double GetScaleRef() const override { return scaleRef; }
  bool IsFixedRef() const override { return fixedRef; }
  double GetMinScaleDiv() const override { return minScaleDiv; }
  double GetScaleDiv() const override { return scaleDiv; }
  void SetScaleDiv(double div) override {
    scaleDiv = div;
    ++setScaleDivCalls;
  }
  void SetScale(double ref, double div) override {
    scaleRef = ref;
    scaleDiv = div;
    ++setScaleCalls;
  }
  int GetRefPosition() const override { return refPosition; }
  double GetMaximum() const override { return maximum; }
  double GetMinimum() const override { return minimum; }
  bool GetVisible() const override { return visible; }
  EPlot GetPlot() const override { return plot; }
  int Count() const override { return count; }
  void FilterParametersUpdated(bool) override { ++filterUpdates; }
  void Update() override { ++updates; }

  // True when the code under test changed nothing.
  bool Untouched() const { return updates == 0 && setScaleCalls == 0 && setScaleDivCalls == 0; }
};
