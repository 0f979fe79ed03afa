#pragma once
// Base of property pages: panels that edit the active diagram and its selected traces. Pages
// come from plug-in packages of type "PROPPAGE" (core/PluginApi.h) or are built in. The
// control creates them, keeps them told of the active diagram, the trace selection and
// marker changes, and saves them with the layout under GetName().
//
// Writing a page: derive from CPropPageBase, override what the page needs (FilterAttached
// when it configures one filter plug-in: the control then keeps it only while that filter
// is available), put PLOTVANE_DECLARE_PLUGIN(CMyPage, "NAME", "PROPPAGE") in one source
// file and build the folder with plotvane_add_plugin(). The operations that build and show
// controls belong to the Qt layer and join this class there.
#include <string>

#include <pugixml.hpp>

class DiagramInterface;

class CPropPageBase {
 public:
  // Plug-in objects of this kind are handed across the package boundary as CPropPageBase*.
  using PluginBase = CPropPageBase;

  CPropPageBase() = default;
  CPropPageBase(const CPropPageBase&) = delete;
  CPropPageBase& operator=(const CPropPageBase&) = delete;

  virtual ~CPropPageBase();
  // Applies the page's values to the diagram.
  virtual void Apply();
  virtual std::wstring GetHint() const;
  // The page's kind in the layout and its key into the notation table.
  virtual std::wstring GetName() const;
  virtual std::wstring GetToolbarName() const;
  virtual int GetToolbarRow() const;
  // The notation of GetName(), short or long.
  virtual std::wstring GetTitle(bool shortForm) const;
  // The translated kind of the page.
  virtual std::wstring GetType() const;
  virtual std::wstring GetPluginType() const;
  // The filter plug-in whose parameters the page edits; empty for a general page.
  virtual std::wstring FilterAttached() const;
  // The diagram's trace selection changed.
  virtual void SetSelection();
  // Refresh from the diagram.
  virtual void Update();
  // Another diagram (or none) is now current.
  virtual void DiagramUpdate();
  virtual void MarkersUpdate();
  virtual void Serialize(pugi::xml_node node, const char* name);
  virtual void Deserialize(pugi::xml_node node, const char* name);
  // The page's automation object, null when it has none.
  virtual void* GetAutomationInterface();

  // Inline, so a package and the engine agree on them whatever copy of the engine each links.
  void SetDiagram(DiagramInterface* diagram) {
    diagram_ = diagram;
    DiagramUpdate();
  }
  DiagramInterface* GetDiagram() const { return diagram_; }
  // Control change handlers call this; nothing is applied while no diagram is set.
  void SetOnChange() {
    if (diagram_ != nullptr) Apply();
  }
  int GetPageWidth() const { return pageWidth_; }

 protected:
  int pageWidth_ = 160;
  DiagramInterface* diagram_ = nullptr;  // not owned
};
