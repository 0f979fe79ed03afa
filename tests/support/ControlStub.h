#pragma once
// A diagram control for tests of diagrams: display strings, a filter factory, a theme, and a
// record of what the diagrams report ("active", "used", "pages 2", "param Activity 1").
#include <map>
#include <string>
#include <vector>

#include "common/Text.h"
#include "interfaces/DiagramControlInterface.h"
#include "interfaces/MeasurementInterface.h"

class CControlStub : public DiagramControlInterface {
 public:
  std::map<std::wstring, std::wstring> strings;
  IModulesFactory* filterFactory = nullptr;
  std::vector<std::wstring> reports;
  unsigned diagramCount = 1;
  SColorMapSettings colorMap;

  std::wstring GetDiagramString(const wchar_t* key) const override {
    auto it = strings.find(ToUpperText(key));
    return it == strings.end() ? std::wstring() : it->second;
  }
  std::shared_ptr<IAutomationObject> GetAutomationInterface() override { return nullptr; }
  void SetDiagramString(const wchar_t* key, const wchar_t* value) override { strings[ToUpperText(key)] = value; }
  DiagramInterface* GetDiagram(unsigned) const override { return nullptr; }
  DiagramInterface* AddDiagram() override { return nullptr; }
  void RemoveDiagram(unsigned) override {}
  void* GetMenuStyler() override { return nullptr; }
  void* GetToolBarStyler() override { return nullptr; }
  unsigned GetDiagramCount() const override { return diagramCount; }
  unsigned GetDiagramMaxCount() const override { return 4; }
  void ShowInfoPanel(bool) override {}
  int GetCurrentDiagramIndex() const override { return 0; }
  bool GetInfoPanelEnabled() const override { return false; }
  std::wstring GetInfoPanelName() const override { return {}; }
  void SetActiveDiagram(unsigned) override {}
  void SetDiagramMode(int) override {}
  int GetDiagramMode() const override { return 0; }
  void SetDiagramPosition(unsigned, int) override {}
  int GetDiagramPosition(unsigned) const override { return -1; }
  const SColorTheme* GetTheme() const override { return GetColorTheme(0); }
  void SendDiagramParameter(MeasurementInterface* m, const wchar_t* name, double value, double) override {
    reports.push_back(L"param " + (m != nullptr ? m->GetName() : std::wstring()) + L" " + name + L" " +
                      std::to_wstring(static_cast<int>(value)));
  }
  void SendDiagramAction(MeasurementInterface*, const wchar_t* name, const wchar_t* value) override {
    reports.push_back(std::wstring(L"action ") + name + L" " + value);
  }
  void SetOnViewMenuEvent(std::function<void()>) override {}
  void BlockPropPagesUpdate(bool) override {}
  void UpdatePropPages(EPPUpdate kind) override { reports.push_back(L"pages " + std::to_wstring(kind)); }
  unsigned GetPropPageCount() const override { return 0; }
  void* GetPropPage(unsigned) const override { return nullptr; }
  void Serialize(pugi::xml_node, const char*) override {}
  bool Deserialize(pugi::xml_node, const char*) override { return true; }
  IModulesFactory* GetFilterFactory() override { return filterFactory; }
  void SetActiveMeasurements(DiagramInterface*) override { reports.push_back(L"active"); }
  void SetUsedMeasurements() override { reports.push_back(L"used"); }
  const SColorMapSettings* GetColorMapSettings() const override { return &colorMap; }
  bool GetAntiAliasing() const override { return false; }
};
