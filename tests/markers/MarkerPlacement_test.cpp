// Many markers at once (harmonic search, placement by list) and the properties form's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "diagram/Diagram.h"
#include "markers/MarkerForms.h"
#include "markers/MarkerProperties.h"
#include "markers/MarkersManager.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/ControlStub.h"

namespace {

// Forms answered from a script; each call takes the next answer or cancels.
struct ScriptedForms : IMarkerForms {
  std::deque<std::vector<double>> lists;
  std::deque<std::vector<bool>> ticks;
  std::vector<std::wstring> headers;
  bool EditMarker(CMarker&) override { return false; }
  bool EditRelation(CRelationMarker&) override { return false; }
  bool ChooseTraces(const std::wstring&, const std::vector<std::wstring>&, std::vector<bool>& ticked) override {
    if (ticks.empty()) return false;
    ticked = ticks.front();
    ticks.pop_front();
    return true;
  }
  bool EditValueList(const std::wstring&, const std::wstring& header, double, double, double, unsigned,
                     std::vector<double>& values) override {
    headers.push_back(header);
    if (lists.empty()) return false;
    values = lists.front();
    lists.pop_front();
    return true;
  }
};

struct FormsScript {
  std::shared_ptr<ScriptedForms> forms = std::make_shared<ScriptedForms>();
  std::shared_ptr<IMarkerForms> previous = SetMarkerForms(forms);
  ~FormsScript() { SetMarkerForms(previous); }
};

// One channel of 45 peaks of distinct heights, 20 points apart, on a floor of −100.
struct Spectrum {
  CControlStub control;
  CDiagram diagram{&control};
  CMeasurement channel;
  std::vector<double> x, y;
  std::vector<double> peaks;  // stimulus of each peak, by height, highest first

  explicit Spectrum(int count = 45) {
    const int points = count * 20 + 1;
    channel.SetStimulusQuantity(L"Hz");
    channel.SetStimulusRange(0, points - 1, true);
    channel.SetPointsCount(points);
    diagram.AddMeasurement(&channel);
    diagram.AddDataTrace();
    std::vector<std::pair<double, double>> byHeight;
    for (int i = 0; i < points; ++i) {
      x.push_back(i);
      y.push_back(-100);
    }
    for (int k = 0; k < count; ++k) {
      const double height = -90 + (k * 37) % 45;
      y[static_cast<std::size_t>(k * 20 + 10)] = height;
      byHeight.emplace_back(height, k * 20 + 10);
    }
    std::sort(byHeight.rbegin(), byHeight.rend());
    for (const auto& [h, at] : byHeight) peaks.push_back(at);
    channel.AddData(0, points, x.data(), y.data(), nullptr);
  }
  CMarkersManager& Markers() { return *diagram.GetMarkers(); }
};

}  // namespace

TEST(MarkerPlacement, HarmonicSearchTakesTheHighestMaximaInOrderOfPosition) {
  UserInteractionScript ui;
  Spectrum s;
  ui->numberAnswers = {5};
  ASSERT_TRUE(s.Markers().FindExtremums());
  EXPECT_DOUBLE_EQ(s.Markers().HarmonicTolerance(), 5);
  std::vector<double> expected(s.peaks.begin(), s.peaks.begin() + 30);
  std::sort(expected.begin(), expected.end());
  for (unsigned k = 0; k < 30; ++k) {
    EXPECT_DOUBLE_EQ(s.Markers().Marker(k)->GetFreq(), expected[k]) << "marker " << k;
    EXPECT_EQ(s.Markers().Marker(k)->GetParams().framePos, k % 2 == 0 ? 0 : 10);
  }
  // A sweep later each marker still sits on its own maximum.
  s.channel.AddData(0, static_cast<int>(s.x.size()), s.x.data(), s.y.data(), nullptr);
  EXPECT_DOUBLE_EQ(s.Markers().Marker(29)->GetFreq(), expected[29]);

  Spectrum few(0);  // one point only: nothing to search, every marker is reset
  ui->numberAnswers = {5};
  few.Markers().Marker(4)->Activate(true);
  ASSERT_TRUE(few.Markers().FindExtremums());
  EXPECT_TRUE(few.Markers().Marker(4)->GetParked());
  EXPECT_FALSE(few.Markers().FindExtremums());  // cancelled: no number given
}

TEST(MarkerPlacement, ListValuesOutsideTheTraceAreSkipped) {
  UserInteractionScript ui;
  FormsScript script;
  Spectrum s(5);  // stimulus 0 … 100
  script.forms->lists = {{10, 200, 30, -1, 40}};
  script.forms->ticks = {{true}};
  ASSERT_TRUE(s.Markers().AutoManage());
  EXPECT_EQ(script.forms->headers[0], L"Частота, МГц");
  EXPECT_DOUBLE_EQ(s.Markers().Marker(0)->GetFreq(), 10);
  EXPECT_DOUBLE_EQ(s.Markers().Marker(1)->GetFreq(), 30);
  EXPECT_DOUBLE_EQ(s.Markers().Marker(2)->GetFreq(), 40);
  EXPECT_TRUE(s.Markers().Marker(3)->GetParked());
  EXPECT_TRUE(s.Markers().Marker(0)->GetParams().lines.test(2));

  // Markers in use: the operator is warned, and "No" changes nothing.
  script.forms->lists = {{50}};
  script.forms->ticks = {{true}};
  ui->boxAnswers = {IDNO};
  EXPECT_FALSE(s.Markers().AutoManage());
  EXPECT_DOUBLE_EQ(s.Markers().Marker(0)->GetFreq(), 10);
  EXPECT_FALSE(s.Markers().AutoManage());  // the list form cancelled
  EXPECT_DOUBLE_EQ(s.Markers().Marker(2)->GetFreq(), 40);
}

TEST(MarkerPlacement, ThePropertiesFormEditsLiveAndCancelRestores) {
  UserInteractionScript ui;
  Spectrum s(5);
  CMarker& m = *s.Markers().Marker(2);
  m.Activate(true);
  m.SetOnFreq(30, false, false);
  {
    CMarkerPropertiesModel form(s.Markers(), m);
    EXPECT_FALSE(form.ApplyNumber(&SMarkParams::position, NAN));
    EXPECT_TRUE(form.ApplyNumber(&SMarkParams::position, 70));
    EXPECT_DOUBLE_EQ(m.GetFreq(), 70);  // the marker moved while the form is open
    form.SetModeItem(5);                // "delta - maximum"
    EXPECT_EQ(m.GetParams().mode, mmMaximum);
    EXPECT_TRUE(m.GetParams().deltaMeasure);
    EXPECT_EQ(form.LevelCaption(), L"Разность уровней");
    form.Cancel();
  }
  EXPECT_DOUBLE_EQ(m.GetFreq(), 30);
  EXPECT_EQ(m.GetParams().mode, mmFree);

  // The offset from a reference marker with no other marker on: the first other one, switched on at OK.
  CMarkerPropertiesModel form(s.Markers(), m);
  form.SetModeItem(7);
  EXPECT_EQ(m.GetParams().refMarker, 0);
  EXPECT_EQ(form.OffsetCaption(), L"Смещение относительно опорного маркера");
  form.SetDirection(mdRightStim);
  form.ApplyNumber(&SMarkParams::divergence, 5);
  SMarkParams p = form.Params();
  p.valueFraction = 5;
  form.Apply(p);
  ui->boxAnswers = {IDYES};
  EXPECT_TRUE(form.Ok());
  EXPECT_TRUE(s.Markers().Marker(0)->IsActivated());
  for (unsigned i = 0; i < 30; ++i) EXPECT_EQ(s.Markers().Marker(i)->GetParams().valueFraction, 5);
  s.Markers().Marker(0)->SetOnFreq(50, false, false);
  EXPECT_DOUBLE_EQ(m.GetFreq(), 55);  // follows its reference
}
