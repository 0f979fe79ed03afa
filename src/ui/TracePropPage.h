#pragma once
// The built-in page of the selected traces: scale (reference, division, position,
// autoscale), display format (the "QUANTITY" filter's mode), the filter chain with each
// filter's stored parameters, and the line (width, colour). An edit goes to every selected
// trace; the fields show the first selected trace. The page's sections are one tool box;
// which section is open and the page's width are kept in the layout.
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

#include "filters/PropPageTrace.h"
#include "ui/PropPageControls.h"

class CDiagram;
class QComboBox;
class QPushButton;
class QSpinBox;
class QToolBox;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TraceInterface;

class TTracePropPage : public CPropPageTrace, public IPropPageControls {
 public:
  TTracePropPage();
  ~TTracePropPage() override;

  QWidget* CreateControls(QWidget* parent) override;
  QWidget* GetFrame() const override { return frame_; }

  void Apply() override;
  void Update() override;
  void Serialize(pugi::xml_node node, const char* name) override;
  void Deserialize(pugi::xml_node node, const char* name) override;

  // The controls, for hosts that place them differently and for tests.
  TNumberEdit* RefEdit() const { return ref_; }
  TNumberEdit* DivEdit() const { return div_; }
  QSpinBox* PositionEdit() const { return position_; }
  QPushButton* AutoScaleButton() const { return autoScale_; }
  QComboBox* FormatBox() const { return format_; }
  QTreeWidget* FilterTree() const { return filters_; }
  QSpinBox* WidthEdit() const { return width_; }
  QToolButton* ColorButton() const { return color_; }
  QToolBox* Sections() const { return sections_; }
  // Picks the colour of the selected traces; replaceable so tests need no dialog.
  std::function<bool(unsigned& bgrColor)> chooseColor;

 private:
  enum EChange { chNone, chRef, chDiv, chPosition, chWidth, chColor };

  CDiagram* Diagram() const;
  void Change(EChange change);
  void FillFilters(TraceInterface* trace);
  void OnFilterItemChanged(QTreeWidgetItem* item, int column);
  void OnFormatChosen(int index);
  void OnAutoScale();
  void OnColor();

  QPointer<QWidget> frame_;  // the host may destroy the window first
  QToolBox* sections_ = nullptr;
  TNumberEdit* ref_ = nullptr;
  TNumberEdit* div_ = nullptr;
  QSpinBox* position_ = nullptr;
  QPushButton* autoScale_ = nullptr;
  QComboBox* format_ = nullptr;
  QTreeWidget* filters_ = nullptr;
  QSpinBox* width_ = nullptr;
  QToolButton* color_ = nullptr;
  EChange pending_ = chNone;
  unsigned pendingColor_ = 0;
  bool filling_ = false;  // the page fills its fields: their signals are not edits
  int section_ = 0;       // as read from a layout before the controls exist
  int width0_ = 0;
};
