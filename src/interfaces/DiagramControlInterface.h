#pragma once
// The diagram control as diagrams, traces, property pages and the automation layer see it.
// Operations are declared in the order of the control's slot table, then what diagrams need.
#include <functional>
#include <string>

#include <pugixml.hpp>

#include "core/DiagCommonLib.h"
#include "interfaces/Automation.h"

class DiagramInterface;
class IModulesFactory;
class MeasurementInterface;

// What UpdatePropPages refreshes: 0 everything, 1 the selection, 2 a plain update, 3 markers.
enum EPPUpdate {
  ppuAll = 0,
  ppuSelection = 1,
  ppuPlain = 2,
  ppuMarkers = 3,
};

// The colour-map settings shared by the spectrum diagrams of a control.
struct SColorMapSettings {
  double curveStart = 0.0;
  double curveStop = 100.0;
  double curveShape = 0.0;
  int colorMap = 0;
};

class DiagramControlInterface {
 public:
  virtual ~DiagramControlInterface() = default;
  virtual std::wstring GetDiagramString(const wchar_t* key) const = 0;
  virtual std::shared_ptr<IAutomationObject> GetAutomationInterface() = 0;
  virtual void SetDiagramString(const wchar_t* key, const wchar_t* value) = 0;
  virtual DiagramInterface* GetDiagram(unsigned index) const = 0;
  virtual DiagramInterface* AddDiagram() = 0;
  virtual void RemoveDiagram(unsigned index) = 0;
  virtual void* GetMenuStyler() = 0;
  virtual void* GetToolBarStyler() = 0;
  virtual unsigned GetDiagramCount() const = 0;
  virtual unsigned GetDiagramMaxCount() const = 0;
  virtual void ShowInfoPanel(bool show) = 0;
  virtual int GetCurrentDiagramIndex() const = 0;
  virtual bool GetInfoPanelEnabled() const = 0;
  virtual std::wstring GetInfoPanelName() const = 0;
  virtual void SetActiveDiagram(unsigned index) = 0;
  virtual void SetDiagramMode(int mode) = 0;
  virtual int GetDiagramMode() const = 0;
  virtual void SetDiagramPosition(unsigned index, int position) = 0;
  virtual int GetDiagramPosition(unsigned index) const = 0;
  virtual const SColorTheme* GetTheme() const = 0;
  virtual void SendDiagramParameter(MeasurementInterface* measurement, const wchar_t* name, double value,
                                    double extra) = 0;
  virtual void SendDiagramAction(MeasurementInterface* measurement, const wchar_t* name, const wchar_t* value) = 0;
  virtual void SetOnViewMenuEvent(std::function<void()> handler) = 0;
  virtual void BlockPropPagesUpdate(bool block) = 0;
  virtual void UpdatePropPages(EPPUpdate kind) = 0;
  virtual unsigned GetPropPageCount() const = 0;
  virtual void* GetPropPage(unsigned index) const = 0;
  virtual void Serialize(pugi::xml_node element, const char* name) = 0;
  virtual bool Deserialize(pugi::xml_node node, const char* name) = 0;

  // What diagrams and traces need of their control.

  // The filter factory over diagram_plugins/ (null when there is none).
  virtual IModulesFactory* GetFilterFactory() = 0;
  // Diagrams report changes of trace activity and use; the control tells the host.
  virtual void SetActiveMeasurements(DiagramInterface* diagram) = 0;
  virtual void SetUsedMeasurements() = 0;
  virtual const SColorMapSettings* GetColorMapSettings() const = 0;
  virtual bool GetAntiAliasing() const = 0;
};
