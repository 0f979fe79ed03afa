#include "ui/TracePropPage.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "common/Text.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "diagram/Diagram.h"
#include "diagram/TraceListEditor.h"
#include "filters/Filter.h"
#include "traces/Trace.h"

namespace {

QString ToQ(const std::wstring& text) { return QString::fromStdWString(text); }

constexpr int kMaxLineWidth = 10;
constexpr int kMaxPosition = 10;  // reference positions are grid lines 0 … 10
constexpr int kFilterRole = Qt::UserRole + 1;     // a filter's index in the chain
constexpr int kParameterRole = Qt::UserRole + 2;  // a parameter's name

QWidget* Section(QToolBox* box, const std::wstring& caption, QFormLayout*& form) {
  auto* page = new QWidget(box);
  form = new QFormLayout(page);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  box->addItem(page, ToQ(caption));
  return page;
}

}  // namespace

TTracePropPage::TTracePropPage() {
  chooseColor = [](unsigned& bgr) {
    const QColor picked = QColorDialog::getColor(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    if (!picked.isValid()) return false;
    bgr = static_cast<unsigned>(picked.red()) | static_cast<unsigned>(picked.green()) << 8 |
          static_cast<unsigned>(picked.blue()) << 16;
    return true;
  };
}

TTracePropPage::~TTracePropPage() { delete frame_; }

CDiagram* TTracePropPage::Diagram() const { return dynamic_cast<CDiagram*>(GetDiagram()); }

QWidget* TTracePropPage::CreateControls(QWidget* parent) {
  if (frame_ != nullptr) return frame_;
  frame_ = new QWidget(parent);
  frame_->setToolTip(ToQ(GetHint()));
  auto* layout = new QVBoxLayout(frame_);
  layout->setContentsMargins(2, 2, 2, 2);
  sections_ = new QToolBox(frame_);
  layout->addWidget(sections_);

  QFormLayout* form = nullptr;
  QWidget* scale = Section(sections_, Tr("Шкала"), form);
  ref_ = CreateNumberEdit(form, Tr("Опорное значение"), Tr("Значение на опорной линии сетки"));
  div_ = CreateNumberEdit(form, Tr("Ед./дел."), Tr("Цена деления по вертикали"));
  position_ = CreateSpinEdit(form, Tr("Опорная позиция"), 0, kMaxPosition, Tr("Номер опорной линии сетки"));
  autoScale_ = CreateButton(scale, Tr("Автомасштаб"), Tr("Подобрать шкалу по данным трассы"));
  form->addRow(autoScale_);
  format_ = CreateComboBox(form, Tr("Формат"), Tr("Формат отображения данных трассы"));

  Section(sections_, Tr("Фильтры"), form);
  filters_ = new QTreeWidget(form->parentWidget());
  filters_->setColumnCount(2);
  filters_->setHeaderLabels({ToQ(Tr("Функция")), ToQ(Tr("Значение"))});
  filters_->header()->setStretchLastSection(true);
  filters_->setToolTip(ToQ(Tr("Фильтры трассы: включение и параметры")));
  form->addRow(filters_);

  Section(sections_, Tr("Линия"), form);
  width_ = CreateSpinEdit(form, Tr("Толщина"), 1, kMaxLineWidth, Tr("Толщина линии трассы, пикс."));
  color_ = CreateColorBox(form, Tr("Цвет"), Tr("Цвет трассы"));

  QObject::connect(ref_, &TNumberEdit::valueEdited, frame_, [this] { Change(chRef); });
  QObject::connect(div_, &TNumberEdit::valueEdited, frame_, [this] { Change(chDiv); });
  QObject::connect(position_, &QSpinBox::valueChanged, frame_, [this] { Change(chPosition); });
  QObject::connect(width_, &QSpinBox::valueChanged, frame_, [this] { Change(chWidth); });
  QObject::connect(autoScale_, &QPushButton::clicked, frame_, [this] { OnAutoScale(); });
  QObject::connect(color_, &QToolButton::clicked, frame_, [this] { OnColor(); });
  QObject::connect(format_, &QComboBox::activated, frame_, [this](int index) { OnFormatChosen(index); });
  QObject::connect(filters_, &QTreeWidget::itemChanged, frame_,
                   [this](QTreeWidgetItem* item, int column) { OnFilterItemChanged(item, column); });

  sections_->setCurrentIndex(std::clamp(section_, 0, sections_->count() - 1));
  if (width0_ > 0) frame_->resize(width0_, frame_->height());
  Update();
  return frame_;
}

// ---- from the engine ----------------------------------------------------------------------

void TTracePropPage::Update() {
  CPropPageTrace::Update();
  if (frame_ == nullptr) return;
  filling_ = true;
  TraceInterface* trace = GetSelTrace(0);
  const bool has = trace != nullptr;
  // Smith and polar plots have no linear scale; a fixed reference belongs to the instrument.
  const bool linear = has && !SmithCoorSystem() && !PolarCoorSystem();
  ref_->setEnabled(linear && !trace->IsFixedRef());
  div_->setEnabled(linear);
  position_->setEnabled(linear && !trace->IsFixedRef());
  autoScale_->setEnabled(has);
  width_->setEnabled(has);
  color_->setEnabled(has);
  if (has) {
    ref_->SetValue(trace->GetScaleRef());
    div_->SetValue(trace->GetScaleDiv());
    position_->setValue(trace->GetRefPosition());
    width_->setValue(std::clamp(trace->GetLineWidth(), 1, kMaxLineWidth));
    SetColorButton(color_, trace->GetColor());
  } else {
    ref_->clear();
    div_->clear();
  }

  format_->clear();
  CDiagram* diagram = Diagram();
  if (has && diagram != nullptr) {
    const CTraceListEditor editor(diagram);
    for (const SFormatChoice& choice : editor.FormatChoices(diagram->GetTraceIndex(trace))) {
      format_->addItem(ToQ(choice.description), choice.mode);
      if (choice.selected) format_->setCurrentIndex(format_->count() - 1);
    }
  }
  format_->setEnabled(format_->count() > 0);
  FillFilters(trace);
  filling_ = false;
}

void TTracePropPage::FillFilters(TraceInterface* trace) {
  filters_->clear();
  auto* t = dynamic_cast<CTrace*>(trace);
  if (t == nullptr) return;
  for (unsigned i = 0; i < t->GetFilterCount(); ++i) {
    CFilter* filter = t->GetFilter(i);
    if (filter == nullptr) continue;
    auto* item = new QTreeWidgetItem(filters_);
    item->setText(0, ToQ(t->GetFilterName(i)));
    item->setText(1, ToQ(filter->GetStatusLine()));
    item->setData(0, kFilterRole, static_cast<int>(i));
    item->setCheckState(0, filter->GetEnabled() ? Qt::Checked : Qt::Unchecked);
    for (const std::wstring& name : filter->GetParameterNames()) {
      auto* parameter = new QTreeWidgetItem(item);
      parameter->setText(0, ToQ(name));
      parameter->setText(1, ToQ(filter->GetParameter(name.c_str())));
      parameter->setData(0, kFilterRole, static_cast<int>(i));
      parameter->setData(0, kParameterRole, ToQ(name));
      parameter->setFlags(parameter->flags() | Qt::ItemIsEditable);
    }
  }
  filters_->expandAll();
}

// ---- to the engine ------------------------------------------------------------------------

void TTracePropPage::Change(EChange change) {
  if (filling_) return;
  pending_ = change;
  SetOnChange();
  pending_ = chNone;
}

void TTracePropPage::Apply() {
  // Collect first: a change may make the diagram report a new selection.
  std::vector<TraceInterface*> traces;
  for (unsigned i = 0; i < GetSelTracesCount(); ++i) traces.push_back(GetSelTrace(i));
  const double ref = ref_ != nullptr ? ref_->Value() : 0.0;
  const double div = div_ != nullptr ? div_->Value() : 0.0;
  for (TraceInterface* trace : traces) {
    switch (pending_) {
      case chRef:
        if (!trace->IsFixedRef()) trace->SetScaleRef(ref);
        break;
      case chDiv:
        trace->SetScaleDiv(div);
        break;
      case chPosition:
        if (!trace->IsFixedRef()) trace->SetRefPosition(position_->value());
        break;
      case chWidth:
        trace->SetLineWidth(width_->value());
        break;
      case chColor:
        trace->SetColor(pendingColor_);
        break;
      case chNone:
        break;
    }
  }
  if (GetDiagram() != nullptr && pending_ != chNone) Update();
}

void TTracePropPage::OnAutoScale() {
  std::vector<TraceInterface*> traces;
  for (unsigned i = 0; i < GetSelTracesCount(); ++i) traces.push_back(GetSelTrace(i));
  for (TraceInterface* trace : traces) trace->SetAutoScale();
  Update();
}

void TTracePropPage::OnColor() {
  TraceInterface* trace = GetSelTrace(0);
  if (trace == nullptr || !chooseColor) return;
  unsigned color = trace->GetColor();
  if (!chooseColor(color)) return;
  pendingColor_ = color;
  Change(chColor);
}

void TTracePropPage::OnFormatChosen(int index) {
  CDiagram* diagram = Diagram();
  if (filling_ || diagram == nullptr || index < 0) return;
  const int mode = format_->itemData(index).toInt();
  CTraceListEditor editor(diagram);
  std::vector<TraceInterface*> traces;
  for (unsigned i = 0; i < GetSelTracesCount(); ++i) traces.push_back(GetSelTrace(i));
  // Each trace takes the format only when its own source offers it.
  for (TraceInterface* trace : traces) editor.ChooseFormat(diagram->GetTraceIndex(trace), mode);
  Update();
}

void TTracePropPage::OnFilterItemChanged(QTreeWidgetItem* item, int column) {
  if (filling_ || item == nullptr) return;
  auto* first = dynamic_cast<CTrace*>(GetSelTrace(0));
  if (first == nullptr) return;
  const unsigned index = static_cast<unsigned>(item->data(0, kFilterRole).toInt());
  const std::wstring filterName = first->GetFilterName(index);
  const QString parameter = item->data(0, kParameterRole).toString();
  std::vector<CFilter*> targets;
  for (unsigned i = 0; i < GetSelTracesCount(); ++i)
    if (auto* t = dynamic_cast<CTrace*>(GetSelTrace(i)))
      if (CFilter* f = t->GetFilter(filterName.c_str())) targets.push_back(f);

  if (parameter.isEmpty() && column == 0) {
    const bool on = item->checkState(0) == Qt::Checked;
    for (CFilter* f : targets) {
      f->SetEnabled(on);
      f->FilterParametersUpdated(true);
    }
  } else if (!parameter.isEmpty() && column == 1) {
    const std::wstring name = parameter.toStdWString();
    CFilter* own = first->GetFilter(index);
    const std::wstring old = own != nullptr ? own->GetParameter(name.c_str()) : std::wstring();
    const QString text = item->text(1);
    double number = 0.0, oldNumber = 0.0;
    // A parameter that holds a number keeps holding one.
    if (ParsePageNumber(ToQ(old), oldNumber) && !ParsePageNumber(text, number)) {
      filling_ = true;
      item->setText(1, ToQ(old));
      filling_ = false;
      QuorMessageBox(nullptr, Tr("Некорректное значение"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
      return;
    }
    for (CFilter* f : targets) {
      f->SetParameter(name.c_str(), text.toStdWString().c_str());
      f->UpdateFilter();
      f->FilterParametersUpdated(true);
    }
  }
  // The tree is refilled once the item that announced the change is done with it.
  QMetaObject::invokeMethod(frame_, [this] { Update(); }, Qt::QueuedConnection);
}

// ---- layout -------------------------------------------------------------------------------

void TTracePropPage::Serialize(pugi::xml_node node, const char*) {
  AddAttribute(node, L"section", sections_ != nullptr ? sections_->currentIndex() : section_);
  AddAttribute(node, L"width", frame_ != nullptr ? frame_->width() : width0_);
}

void TTracePropPage::Deserialize(pugi::xml_node node, const char*) {
  section_ = GetNodeIntValue(node, L"@section", 0);
  width0_ = GetNodeIntValue(node, L"@width", 0);
  if (sections_ != nullptr) sections_->setCurrentIndex(std::clamp(section_, 0, sections_->count() - 1));
  if (frame_ != nullptr && width0_ > 0) frame_->resize(width0_, frame_->height());
}
