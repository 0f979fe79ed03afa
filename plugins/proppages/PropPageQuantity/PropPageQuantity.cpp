// The display-format page: the formats the "QUANTITY" filter offers for the first selected
// trace, one large radio button each, so a format is one tap away (the trace page keeps the
// same choice in a combo box). Choosing one gives it to every selected trace whose source
// offers it. The number of button columns is kept in the layout.
//
// Writing a property-page package (this folder is the model):
// 1. Make a folder plugins/proppages/PropPage<Name>/ with a CMakeLists.txt of one line:
//    plotvane_add_plugin(PropPage<Name> SOURCES <files> LIBS plotvane-qt). The loader looks
//    for PropPage*.so in diagram_plugins/, so the file name must begin with "PropPage".
// 2. Derive the page from CPropPageTrace (pages of the selected traces) or CPropPageBase,
//    and from IPropPageControls (ui/PropPageControls.h) so a host can place its frame.
//    Build no widget before CreateControls: the control creates pages before any window.
// 3. Return from FilterAttached the name of the filter plug-in the page configures; the
//    control keeps the page only while that filter package exists and is listed in the
//    host's "IncludedFilters". Return nothing for a general page.
// 4. Refresh the controls in Update (the control calls it after every change of diagram,
//    selection or markers) and guard the controls' signals while filling them.
// 5. Keep what should survive a restart in Serialize/Deserialize: the element is the page's
//    own "proppage" element, found again by GetName().
// 6. End the file with PLOTVANE_DECLARE_PLUGIN(<class>, "<NAME>", "PROPPAGE"), add the new
//    texts to po/ with scripts/update-po, and test the page offscreen in tests/ui/.
#include <QButtonGroup>
#include <QPointer>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "common/Text.h"
#include "common/Xml.h"
#include "core/PluginApi.h"
#include "diagram/Diagram.h"
#include "diagram/TraceListEditor.h"
#include "filters/PropPageTrace.h"
#include "ui/PropPageControls.h"

namespace {
QString ToQ(const std::wstring& text) { return QString::fromStdWString(text); }
constexpr int kMaxColumns = 4;
}  // namespace

class CPropPageQuantity : public CPropPageTrace, public IPropPageControls {
 public:
  ~CPropPageQuantity() override { delete frame_; }

  std::wstring GetName() const override { return L"QUANTITY"; }
  std::wstring FilterAttached() const override { return L"QUANTITY"; }
  std::wstring GetType() const override { return Tr("Формат"); }
  std::wstring GetHint() const override { return Tr("Формат отображения выделенных трасс"); }

  QWidget* CreateControls(QWidget* parent) override {
    if (frame_ != nullptr) return frame_;
    frame_ = new QWidget(parent);
    frame_->setToolTip(ToQ(GetHint()));
    auto* layout = new QVBoxLayout(frame_);
    empty_ = new QLabel(ToQ(Tr("Нет выделенных трасс")), frame_);
    layout->addWidget(empty_);
    grid_ = new QGridLayout;
    layout->addLayout(grid_);
    layout->addStretch(1);
    group_ = new QButtonGroup(frame_);
    QObject::connect(group_, &QButtonGroup::idClicked, frame_, [this](int id) { Choose(id); });
    Update();
    return frame_;
  }
  QWidget* GetFrame() const override { return frame_; }

  void Update() override {
    CPropPageTrace::Update();
    if (frame_ == nullptr) return;
    // The button that was just clicked may be among them: it goes once its signal is done.
    for (QAbstractButton* button : group_->buttons()) {
      group_->removeButton(button);
      grid_->removeWidget(button);
      button->hide();
      button->deleteLater();
    }
    auto* diagram = dynamic_cast<CDiagram*>(GetDiagram());
    TraceInterface* trace = GetSelTrace(0);
    std::vector<SFormatChoice> choices;
    if (diagram != nullptr && trace != nullptr)
      choices = CTraceListEditor(diagram).FormatChoices(diagram->GetTraceIndex(trace));
    empty_->setVisible(choices.empty());
    for (std::size_t i = 0; i < choices.size(); ++i) {
      auto* button = new QRadioButton(ToQ(choices[i].description), frame_);
      button->setMinimumHeight(32);  // a finger's width
      button->setChecked(choices[i].selected);
      group_->addButton(button, choices[i].mode);
      const int index = static_cast<int>(i);
      grid_->addWidget(button, index / columns_, index % columns_);
    }
  }

  void Serialize(pugi::xml_node node, const char*) override { AddAttribute(node, L"columns", columns_); }
  void Deserialize(pugi::xml_node node, const char*) override {
    columns_ = std::clamp(GetNodeIntValue(node, L"@columns", 1), 1, kMaxColumns);
    Update();
  }

 private:
  void Choose(int mode) {
    auto* diagram = dynamic_cast<CDiagram*>(GetDiagram());
    if (diagram == nullptr) return;
    CTraceListEditor editor(diagram);
    std::vector<TraceInterface*> traces;
    for (unsigned i = 0; i < GetSelTracesCount(); ++i) traces.push_back(GetSelTrace(i));
    for (TraceInterface* t : traces) editor.ChooseFormat(diagram->GetTraceIndex(t), mode);
    Update();
  }

  QPointer<QWidget> frame_;  // the host may destroy the window first
  QLabel* empty_ = nullptr;
  QGridLayout* grid_ = nullptr;
  QButtonGroup* group_ = nullptr;
  int columns_ = 1;
};

PLOTVANE_DECLARE_PLUGIN(CPropPageQuantity, "QUANTITY", "PROPPAGE")
