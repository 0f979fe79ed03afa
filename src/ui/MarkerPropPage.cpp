#include "ui/MarkerPropPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "common/Text.h"
#include "common/Xml.h"
#include "diagram/Diagram.h"
#include "interfaces/MarkParams.h"
#include "interfaces/MarkerInterface.h"
#include "markers/MarkParams.h"
#include "markers/MarkersManager.h"

namespace {

QString ToQ(const std::wstring& text) { return QString::fromStdWString(text); }

// Menu captions carry "&" accelerators; a combo box shows them plain.
QString Plain(const std::wstring& caption) {
  std::wstring text = caption;
  std::erase(text, L'&');
  return ToQ(text);
}

constexpr int kLineRole = Qt::UserRole + 1;

}  // namespace

TMarkerPropPage::~TMarkerPropPage() { delete frame_; }

std::wstring TMarkerPropPage::GetType() const { return Tr("Маркер"); }
std::wstring TMarkerPropPage::GetHint() const { return Tr("Настройка маркеров активной диаграммы"); }

CMarkersManager* TMarkerPropPage::Manager() const {
  auto* diagram = dynamic_cast<CDiagram*>(GetDiagram());
  return diagram != nullptr ? diagram->GetMarkers() : nullptr;
}

IMarker* TMarkerPropPage::Marker() const {
  CMarkersManager* manager = Manager();
  return manager != nullptr ? manager->GetMarker(static_cast<unsigned>(marker_)) : nullptr;
}

QWidget* TMarkerPropPage::CreateControls(QWidget* parent) {
  if (frame_ != nullptr) return frame_;
  frame_ = new QWidget(parent);
  frame_->setToolTip(ToQ(GetHint()));
  auto* layout = new QVBoxLayout(frame_);
  layout->setContentsMargins(2, 2, 2, 2);

  QGroupBox* search = CreateGroupBox(frame_, Tr("Маркер"));
  auto* form = static_cast<QFormLayout*>(search->layout());
  markerBox_ = CreateComboBox(form, Tr("Номер"), Tr("Маркер, настройки которого показаны"));
  for (unsigned i = 0; i < kMarkerCount; ++i) markerBox_->addItem(QString::number(i + 1));
  enabled_ = CreateCheckBox(search, Tr("Включить"));
  form->addRow(enabled_);
  mode_ = CreateComboBox(form, Tr("Режим"), Tr("Правило поиска положения маркера"));
  for (int m = 0; m < kMarkModeCount; ++m) mode_->addItem(Plain(MarkModeCaption(static_cast<EMarkMode>(m))));
  trace_ = CreateComboBox(form, Tr("Трасса"), Tr("Трасса привязки маркера"));
  level_ = CreateNumberEdit(form, Tr("Уровень"), Tr("Уровень, пересечение которого ищет маркер"));
  tracking_ = CreateCheckBox(search, Tr("Слежение"), Tr("Повторять поиск при каждом обновлении данных"));
  form->addRow(tracking_);
  layout->addWidget(search);

  QGroupBox* range = CreateGroupBox(frame_, Tr("Диапазон поиска"));
  form = static_cast<QFormLayout*>(range->layout());
  fullRange_ = CreateCheckBox(range, Tr("Полный диапазон"),
                              Tr("Поиск экстремумов/фиксированных значений по всей трассе, либо в указанном диапазоне "
                                 "задающего воздействия"));
  form->addRow(fullRange_);
  rangeMin_ = CreateNumberEdit(form, Tr("От"));
  rangeMax_ = CreateNumberEdit(form, Tr("До"));
  layout->addWidget(range);

  QGroupBox* delta = CreateGroupBox(frame_, Tr("Разностное измерение"));
  form = static_cast<QFormLayout*>(delta->layout());
  delta_ = CreateCheckBox(delta, Tr("Включить"), Tr("Значения измеряются относительно опорной трассы"));
  form->addRow(delta_);
  refTrace_ = CreateComboBox(form, Tr("Опорная трасса"));
  layout->addWidget(delta);

  QGroupBox* readOut = CreateGroupBox(frame_, Tr("Строки отсчёта"));
  form = static_cast<QFormLayout*>(readOut->layout());
  lines_ = new QListWidget(readOut);
  lines_->setToolTip(ToQ(Tr("Строки, показываемые в рамке отсчёта маркера")));
  form->addRow(lines_);
  layout->addWidget(readOut, 1);

  QObject::connect(markerBox_, &QComboBox::activated, frame_, [this](int index) {
    followActive_ = false;
    SelectMarker(index);
  });
  QObject::connect(enabled_, &QCheckBox::toggled, frame_, [this](bool on) { OnEnabled(on); });
  QObject::connect(mode_, &QComboBox::activated, frame_,
                   [this](int index) { Edit([index](SMarkParams& p) { p.mode = static_cast<EMarkMode>(index); }); });
  QObject::connect(trace_, &QComboBox::activated, frame_, [this](int index) {
    Edit([index](SMarkParams& p) {
      p.traceIndex = index - 1;  // entry 0 is "none"
      if (index > 0) p.lines.set(static_cast<std::size_t>(index + 1));
    });
  });
  QObject::connect(level_, &TNumberEdit::valueEdited, frame_,
                   [this](double v) { Edit([v](SMarkParams& p) { p.fixedLevel = v; }); });
  QObject::connect(tracking_, &QCheckBox::toggled, frame_,
                   [this](bool on) { Edit([on](SMarkParams& p) { p.tracking = on; }); });
  QObject::connect(fullRange_, &QCheckBox::toggled, frame_,
                   [this](bool on) { Edit([on](SMarkParams& p) { p.noLimits = on; }); });
  QObject::connect(rangeMin_, &TNumberEdit::valueEdited, frame_,
                   [this](double v) { Edit([v](SMarkParams& p) { p.rangeMin = v; }); });
  QObject::connect(rangeMax_, &TNumberEdit::valueEdited, frame_,
                   [this](double v) { Edit([v](SMarkParams& p) { p.rangeMax = v; }); });
  QObject::connect(delta_, &QCheckBox::toggled, frame_, [this](bool on) {
    const int traces = GetDiagram() != nullptr ? static_cast<int>(GetDiagram()->GetTraceCount()) : 0;
    Edit([on, traces](SMarkParams& p) {
      p.deltaMeasure = on;
      // A delta needs a reference: the first trace other than the marker's own.
      if (on && p.refTraceIndex < 0 && traces > 0) p.refTraceIndex = p.traceIndex == 0 && traces > 1 ? 1 : 0;
    });
  });
  QObject::connect(refTrace_, &QComboBox::activated, frame_,
                   [this](int index) { Edit([index](SMarkParams& p) { p.refTraceIndex = index - 1; }); });
  QObject::connect(lines_, &QListWidget::itemChanged, frame_, [this](QListWidgetItem* item) { OnLineChanged(item); });
  Update();
  return frame_;
}

// ---- from the engine ----------------------------------------------------------------------

void TMarkerPropPage::DiagramUpdate() { MarkersUpdate(); }

void TMarkerPropPage::MarkersUpdate() {
  CMarkersManager* manager = Manager();
  if (manager == nullptr || !followActive_) return;
  const int active = manager->GetMarkerIndex(manager->GetActiveMarker());
  if (active >= 0) marker_ = active;
}

void TMarkerPropPage::SelectMarker(int index) {
  marker_ = std::clamp(index, 0, static_cast<int>(kMarkerCount) - 1);
  Update();
}

void TMarkerPropPage::FillTraces(QComboBox* box, int current) {
  box->clear();
  box->addItem(QStringLiteral("—"));
  DiagramInterface* diagram = GetDiagram();
  for (unsigned i = 0; diagram != nullptr && i < diagram->GetTraceCount(); ++i)
    box->addItem(ToQ(diagram->Trace(i)->GetName()));
  box->setCurrentIndex(std::clamp(current + 1, 0, box->count() - 1));
}

void TMarkerPropPage::Update() {
  if (frame_ == nullptr) return;
  filling_ = true;
  IMarker* marker = Marker();
  frame_->setEnabled(marker != nullptr);
  markerBox_->setCurrentIndex(marker_);
  if (marker != nullptr) {
    const SMarkParams& p = marker->GetParams();
    enabled_->setChecked(!p.parked && p.enabled);
    mode_->setCurrentIndex(static_cast<int>(p.mode));
    FillTraces(trace_, p.traceIndex);
    FillTraces(refTrace_, p.refTraceIndex);
    level_->SetValue(p.fixedLevel);
    level_->setEnabled(p.mode == mmFixed);
    tracking_->setChecked(p.tracking);
    fullRange_->setChecked(p.noLimits);
    rangeMin_->SetValue(p.rangeMin);
    rangeMax_->SetValue(p.rangeMax);
    rangeMin_->setEnabled(!p.noLimits);
    rangeMax_->setEnabled(!p.noLimits);
    delta_->setChecked(p.deltaMeasure);
    refTrace_->setEnabled(p.deltaMeasure);

    lines_->clear();
    auto addLine = [&](const std::wstring& caption, unsigned line) {
      auto* item = new QListWidgetItem(ToQ(caption), lines_);
      item->setData(kLineRole, line);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(p.lines.test(line) ? Qt::Checked : Qt::Unchecked);
    };
    addLine(Tr("Стимул"), 0);
    DiagramInterface* diagram = GetDiagram();
    for (unsigned i = 0; diagram != nullptr && i < diagram->GetTraceCount() && i + 2 < kLinesCount; ++i)
      addLine(diagram->Trace(i)->GetName(), i + 2);
  }
  filling_ = false;
}

// ---- to the engine ------------------------------------------------------------------------

template <class F>
void TMarkerPropPage::Edit(F edit) {
  IMarker* marker = Marker();
  if (filling_ || marker == nullptr) return;
  SMarkParams p = marker->GetParams();
  edit(p);
  marker->SetParams(p);
  if (CMarkersManager* manager = Manager()) manager->SetActiveMarker(static_cast<unsigned>(marker_));
  Update();
}

void TMarkerPropPage::OnEnabled(bool on) {
  IMarker* marker = Marker();
  if (filling_ || marker == nullptr) return;
  marker->SetActive(on);
  if (CMarkersManager* manager = Manager()) manager->SetActiveMarker(static_cast<unsigned>(marker_));
  Update();
}

void TMarkerPropPage::OnLineChanged(QListWidgetItem* item) {
  if (item == nullptr) return;
  const auto line = static_cast<std::size_t>(item->data(kLineRole).toUInt());
  const bool on = item->checkState() == Qt::Checked;
  Edit([line, on](SMarkParams& p) { p.lines.set(line, on); });
}

// ---- layout -------------------------------------------------------------------------------

void TMarkerPropPage::Serialize(pugi::xml_node node, const char*) {
  AddAttribute(node, L"marker", marker_);
  AddAttribute(node, L"follow_active", followActive_);
}

void TMarkerPropPage::Deserialize(pugi::xml_node node, const char*) {
  followActive_ = GetNodeBoolValue(node, L"@follow_active", true);
  marker_ = std::clamp(GetNodeIntValue(node, L"@marker", 0), 0, static_cast<int>(kMarkerCount) - 1);
  Update();
}
