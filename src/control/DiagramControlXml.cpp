// The control's part of the layout: the arrangement, the colour map, one element per diagram
// (its content written by the diagram), the information panel and the property pages.
// Loading keeps what it can: diagrams already shown are reused in order, surplus ones
// removed, and stored positions are used only while they still make a valid arrangement.
#include <cmath>
#include <cstring>
#include <exception>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "control/DiagramControl.h"
#include "core/DiagMetrics.h"

namespace {

constexpr const wchar_t* kLayoutRoot = L"layout";  // root element of a layout file
constexpr unsigned kMaxCountedDiagrams = 5;        // one more than can be read: "too many"

void Log(const wchar_t* text) { LogMessage(L"Control", text); }

// Stored Russian names match the translated names the control shows.
std::wstring Translated(const std::wstring& text) { return text.empty() ? text : Tr(WideToUtf8(text).c_str()); }


// The mode is stored as a number and read truncated; anything that is no int is "none".
int ReadMode(pugi::xml_node control) {
  const double mode = GetNodeDoubleValue(control, L"@mode", -1.0);
  return std::isfinite(mode) && std::fabs(mode) < 2147483647.0 ? static_cast<int>(mode) : -1;
}

// The relation presets file inside the markers folder. The separator is "/": a backslash is
// an ordinary character of a file name here and would name a file beside the folder.
std::wstring MarkersFile(const std::wstring& folder, const std::wstring& file) {
  if (folder.empty()) return file;
  return folder.back() == L'/' ? folder + file : folder + L"/" + file;
}

}  // namespace

void CDiagramControl::Serialize(pugi::xml_node element, const char*) {
  if (!PV_ASSERT(element)) return;
  pugi::xml_node control = AddElement(element, L"diagram_control");
  AddAttribute(control, L"mode", mode_);
  AddAttribute(control, L"curveStart", colorMapSettings_.curveStart);
  AddAttribute(control, L"curveStop", colorMapSettings_.curveStop);
  AddAttribute(control, L"curveShape", colorMapSettings_.curveShape);
  AddAttribute(control, L"colorMap", colorMapSettings_.colorMap);
  for (std::size_t i = 0; i < diagrams_.size(); ++i) {
    pugi::xml_node node = AddElement(control, L"diagram");
    AddAttribute(node, L"position", GetDiagramPosition(static_cast<unsigned>(i)));
    diagrams_[i]->Serialize(node);
  }
  if (infoPanelEnabled_) {
    pugi::xml_node node = AddElement(control, L"diagram");
    AddAttribute(node, L"position", GetDiagramPosition(GetDiagramCount()));
    AddAttribute(node, L"name", GetInfoPanelName());
    AddAttribute(node, L"type", L"info");
  }

  pugi::xml_node pages = AddElement(element, L"proppages");
  for (auto& page : propPages_) {
    pugi::xml_node node = AddElement(pages, L"proppage");
    AddAttribute(node, L"type", page->GetName());
    page->Serialize(node, nullptr);
  }
}

bool CDiagramControl::Deserialize(pugi::xml_node node, const char* kind) {
  const pugi::xml_node control = node.child("diagram_control");
  if (kind != nullptr && std::strcmp(kind, "scheme") == 0) {
    DeserializeScheme(control);
    return true;
  }
  {
    loadingLayout_ = true;
    struct SDone {
      CDiagramControl& control;
      ~SDone() { control.loadingLayout_ = false; }
    } done{*this};
    DeserializeDiagrams(control);
  }
  SetActiveMeasurements(nullptr);
  SetUsedMeasurements();
  DeserializePropPages(node);
  return true;
}

void CDiagramControl::DeserializeScheme(pugi::xml_node control) {
  Log(L"Begin initializing");
  if (control) {
    const std::wstring file = GetNodeWideStringValue(control, L"@markers_rel_file", L"RelationPreset.xml");
    SetDiagramString(L"MarkersRelFile", MarkersFile(GetDiagramString(L"MarkersDir"), file).c_str());
    LoadMetrics(control);
  }
  Log(L"End initializing");
}

void CDiagramControl::DeserializeDiagrams(pugi::xml_node control) {
  const bool wasStretched = stretched_;
  const int oldMode = mode_;
  // A layout says itself whether it has a panel; without one the control keeps its own.
  if (control) infoPanelEnabled_ = false;
  Log(L"Begin deserializing");
  UnstretchDiagrams(false);
  const unsigned oldCount = GetDiagramCount();
  BlockPropPagesUpdate(true);

  // Positions as read, per diagram; what a layout does not say stays as stored.
  std::array<int, kSlots> read = positions_;
  int panelPosition = -1;
  bool panelRead = false;
  int mode = mode_;
  unsigned loaded = 0;  // diagram elements that got a diagram
  if (control) {
    colorMapSettings_.curveStart = GetNodeDoubleValue(control, L"@curveStart", 0.0);
    colorMapSettings_.curveStop = GetNodeDoubleValue(control, L"@curveStop", 100.0);
    colorMapSettings_.curveShape = GetNodeDoubleValue(control, L"@curveShape", 0.0);
    colorMapSettings_.colorMap = GetNodeIntValue(control, L"@colorMap", 0);
    mode = ReadMode(control);

    unsigned count = 0;
    for (pugi::xml_node e = control.child("diagram"); e && count < kMaxCountedDiagrams; e = e.next_sibling("diagram"))
      ++count;
    if (mode != oldMode || count != oldCount) {
      Log(L"reloading diagrams");
      initializing_ = true;
      for (auto& diagram : diagrams_) diagram->SetVisible(false);
    }

    unsigned i = 0;
    for (pugi::xml_node element : control.children("diagram")) {
      if (i >= static_cast<unsigned>(CObjectArranger::kMaxDiagrams)) break;
      const int stored = positions_[i];
      const int position = GetNodeIntValue(element, L"@position", stored);
      if (position != stored) initializing_ = true;
      ++i;
      if (GetNodeWideStringValue(element, L"@type") == L"info") {
        AddInfoPanel();
        panelPosition = position;
        panelRead = true;
        const pugi::xml_attribute name = element.attribute("name");
        infoPanel_->SetCaption(name ? Translated(Utf8ToWide(name.value())) : Tr("Информационная панель"));
        continue;
      }
      CDiagram* diagram = loaded < GetDiagramCount() ? GetDiagram(loaded) : AddDiagram();
      if (diagram == nullptr) continue;  // the panel took the last slot
      read[loaded++] = position;
      try {
        const std::wstring name = Translated(GetNodeWideStringValue(element, L"@name"));
        if (name.empty()) {
          diagram->SetName(L"");  // its old name does not hold a number back from it
          diagram->SetName(UniqueDiagramName(Tr("Диаграмма")));
        } else {
          diagram->SetName(name);
        }
        diagram->Deserialize(element);
      } catch (...) {
        std::wstring text = Tr("При десериализации %0 диаграммы произошло исключение ");
        ReplaceString(text, L"%0", diagram->GetName());
        ShowPlotvaneException(text);
      }
    }
    // The diagrams no element was read for; the panel's element is not one of them.
    while (GetDiagramCount() > loaded) RemoveDiagram(GetDiagramCount() - 1);
  }

  if (initializing_) {
    Log(L"placing diagrams");
    const unsigned n = GetDiagramCount();
    std::vector<int> wanted(read.begin(), read.begin() + n);
    if (PanelTakesSlot()) wanted.push_back(panelRead ? panelPosition : positions_[n]);
    const int slots = static_cast<int>(SlotCount());
    const int readMode = mode;
    if (!arranger_.CheckMode(mode, slots)) {
      mode = arranger_.GetMode(slots);
      if (!PV_ASSERT(mode!=-1)) mode = mode_;
    }
    bool conflict = false;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
      conflict = conflict || !arranger_.CheckPosition(mode, wanted[k]);
      for (std::size_t j = 0; j < k; ++j) conflict = conflict || wanted[j] == wanted[k];
    }
    SetDiagramMode(mode);
    if (!conflict && mode == readMode && (!PanelTakesSlot() || panelRead)) {
      for (std::size_t k = 0; k < wanted.size(); ++k) SetDiagramPosition(static_cast<unsigned>(k), wanted[k]);
      Repaint();
    } else {
      Log(L"autoarranging diagrams");
      ArrangeDiagrams();
    }
    for (auto& diagram : diagrams_) diagram->SetVisible(true);
  }

  initializing_ = false;
  if (wasStretched) ArrangeDiagrams();
  SetActiveDiagram(0);
  Log(L"finished deserializing");
}

void CDiagramControl::DeserializePropPages(pugi::xml_node node) {
  Log(L"deserializing proppages");
  if (node) {
    for (const pugi::xml_node pages : node.children("proppages")) {
      for (const pugi::xml_node element : pages.children("proppage")) {
        const std::wstring type = GetNodeWideStringValue(element, L"@type");
        for (auto& page : propPages_) {
          if (page->GetName() != type) continue;
          try {
            page->Deserialize(element, nullptr);
          } catch (...) {
            ShowPlotvaneException(Tr("Возникло исключение при десериализации в странице свойств "));
          }
        }
      }
    }
  }
  Log(L"proppages deserialized");

  Log(L"updating proppages");
  BlockPropPagesUpdate(false);
  UpdatePropPages(ppuAll);
  Log(L"proppages updated");
}

bool CDiagramControl::SaveLayoutToFile(const std::wstring& path) {
  CXMLDocument document;
  Serialize(AddElement(document.Doc(), kLayoutRoot), nullptr);
  FormatNode(document.Doc());
  return static_cast<bool>(document.Save(path));
}

SXmlResult CDiagramControl::LoadLayoutFromFile(const std::wstring& path) {
  CXMLDocument document;
  const SXmlResult result = document.Open(path);
  if (result) Deserialize(document.Doc().document_element(), nullptr);
  return result;
}
