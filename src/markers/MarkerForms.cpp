#include "markers/MarkerForms.h"

#include "common/Log.h"

namespace {

class CHeadlessMarkerForms : public IMarkerForms {
 public:
  bool EditMarker(CMarker&) override { return Cancelled(L"marker properties"); }
  bool EditRelation(CRelationMarker&) override { return Cancelled(L"relation properties"); }
  bool ChooseTraces(const std::wstring&, const std::vector<std::wstring>&, std::vector<bool>&) override {
    return Cancelled(L"trace selector");
  }
  bool EditValueList(const std::wstring&, const std::wstring&, double, double, double, unsigned,
                     std::vector<double>&) override {
    return Cancelled(L"placement list");
  }

 private:
  static bool Cancelled(const wchar_t* form) {
    LogMessage(L"Markers", std::wstring(L"no user interface: the ") + form + L" form is cancelled");
    return false;
  }
};

std::shared_ptr<IMarkerForms>& Installed() {
  static std::shared_ptr<IMarkerForms> forms = std::make_shared<CHeadlessMarkerForms>();
  return forms;
}

}  // namespace

std::shared_ptr<IMarkerForms> SetMarkerForms(std::shared_ptr<IMarkerForms> forms) {
  std::shared_ptr<IMarkerForms> previous = Installed();
  Installed() = forms != nullptr ? std::move(forms) : std::make_shared<CHeadlessMarkerForms>();
  return previous;
}

IMarkerForms& MarkerForms() { return *Installed(); }
