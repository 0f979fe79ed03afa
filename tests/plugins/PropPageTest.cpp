// Property-page packages for the control's tests, built once per page kind: a general page
// and pages that edit one filter's parameters. Each page writes the calls it gets into its
// hint ("D" diagram changed, "S" selection, "M" markers, "U" update), so a test can read
// them through the base class.
#include "core/PluginApi.h"
#include "filters/PropPage.h"

#ifndef PAGE_NAME
#define PAGE_NAME "GENERAL"
#endif
#ifndef PAGE_FILTER
#define PAGE_FILTER ""
#endif

class CTestPropPage : public CPropPageBase {
 public:
  std::wstring GetName() const override { return Utf8ToWide(PAGE_NAME); }
  std::wstring FilterAttached() const override { return Utf8ToWide(PAGE_FILTER); }
  std::wstring GetHint() const override { return calls_; }
  void DiagramUpdate() override { calls_ += GetDiagram() != nullptr ? L"D" : L"d"; }
  void SetSelection() override { calls_ += L"S"; }
  void MarkersUpdate() override { calls_ += L"M"; }
  void Update() override { calls_ += L"U"; }

 private:
  std::wstring calls_;
};

PLOTVANE_DECLARE_PLUGIN(CTestPropPage, PAGE_NAME, "PROPPAGE")
