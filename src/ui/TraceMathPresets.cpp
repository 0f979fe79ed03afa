#include "ui/TraceMathPresets.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Text.h"
#include "common/UserInteraction.h"
#include "diagram/Diagram.h"
#include "traces/TraceMath.h"

namespace {

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

TTraceMathPresets::TTraceMathPresets(CTraceMath* math, CDiagram* diagram, CMathPresets* presets, QWidget* parent)
    : QDialog(parent), math_(math), diagram_(diagram), presets_(presets) {
  setWindowTitle(Q(Tr("Настройка выражения")));
  auto* form = new QFormLayout;
  for (int k = 0; k < 2; ++k) {
    sources_[k] = new QComboBox(this);
    form->addRow(k == 0 ? Q(Tr("Трасса A")) : Q(Tr("Трасса B")), sources_[k]);
  }
  presetBox_ = new QComboBox(this);
  form->addRow(Q(Tr("Выражения")), presetBox_);
  expression_ = new QLineEdit(this);
  form->addRow(Q(Tr("Выражение")), expression_);
  auto* buttons = new QHBoxLayout;
  auto* add = new QPushButton(Q(Tr("Добавить")), this);
  auto* remove = new QPushButton(Q(Tr("Удалить")), this);
  auto* edit = new QPushButton(Q(Tr("Изменить")), this);
  for (QPushButton* b : {add, remove, edit}) buttons->addWidget(b);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->button(QDialogButtonBox::Ok)->setText(Q(Tr("ОК")));
  box->button(QDialogButtonBox::Cancel)->setText(Q(Tr("Отмена")));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->addWidget(box);

  connect(add, &QPushButton::clicked, this, [this] { AddClick(); });
  connect(remove, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(edit, &QPushButton::clicked, this, [this] { EditClick(); });
  connect(presetBox_, &QComboBox::activated, this, [this](int index) { OnPresetSelect(index); });
  connect(expression_, &QLineEdit::textEdited, this, [this] { OnExpressionChange(); });
  connect(box, &QDialogButtonBox::accepted, this, [this] { accept(); });
  connect(box, &QDialogButtonBox::rejected, this, [this] { reject(); });
  expression_->installEventFilter(this);
  FillSources();
  expression_->setText(Q(math_->GetExpression()));
  expression_->setReadOnly(ComplexBound());
  presets_->Load();
  FillPresets(-1);
}

int TTraceMathPresets::ShowModalEx() { return exec(); }

bool TTraceMathPresets::ComplexBound() const {
  MeasurementInterface* m = math_->Measurement();
  return m != nullptr && m->GetResponseQuantity().find(L"Cmplx") != std::wstring::npos;
}

void TTraceMathPresets::FillSources() {
  // Every math source of the diagram but the trace itself and those computing from it.
  candidates_.clear();
  for (unsigned i = 0; i < diagram_->GetTraceCount(); ++i) {
    auto* trace = dynamic_cast<CTraceMathSource*>(diagram_->Trace(i));
    if (trace == nullptr || trace == math_) continue;
    if (auto* other = dynamic_cast<CTraceMath*>(trace); other != nullptr && other->DependsOn(math_)) continue;
    candidates_.push_back(trace);
  }
  for (int k = 0; k < 2; ++k) {
    sources_[k]->clear();
    int current = -1;
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
      sources_[k]->addItem(Q(candidates_[i]->GetName()));
      if (candidates_[i] == math_->SourceTrace(k)) current = static_cast<int>(i);
    }
    sources_[k]->setCurrentIndex(current);
  }
}

void TTraceMathPresets::FillPresets(int select) {
  filling_ = true;
  presetBox_->clear();
  for (const SMathPreset& preset : presets_->Presets()) presetBox_->addItem(Q(preset.description));
  presetBox_->setCurrentIndex(select);
  currentPreset_ = select;
  filling_ = false;
}

void TTraceMathPresets::OnPresetSelect(int index) {
  if (filling_) return;
  if (unsaved_ && !QuorQuestion(nullptr, Tr("Текущее выражение не сохранено и будет утеряно. Продолжить?"), Tr("Внимание"))) {
    presetBox_->setCurrentIndex(currentPreset_);
    return;
  }
  currentPreset_ = index;
  if (index < 0 || static_cast<std::size_t>(index) >= presets_->Presets().size()) return;
  const std::wstring& expression = presets_->Presets()[static_cast<std::size_t>(index)].expression;
  expression_->setText(Q(expression.empty() ? L"A-B" : expression));
  unsaved_ = false;
}

void TTraceMathPresets::OnExpressionChange() {
  const std::wstring text = expression_->text().toStdWString();
  unsaved_ = currentPreset_ < 0 ||
             presets_->Presets()[static_cast<std::size_t>(currentPreset_)].expression != text;
}

bool TTraceMathPresets::EditExpressionEnter() {
  if (!ComplexBound()) return true;
  QuorMessageBox(nullptr,
                 Tr("Редактирование выражения математических трасс, привязанных к комплексному измерению, недоступно."),
                 Tr("Внимание"), MB_OK | MB_ICONWARNING);
  return false;
}

void TTraceMathPresets::AddClick() {
  std::wstring description = Tr("Новое выражение");
  if (!UserInteraction().QueryText(this, Tr("Добавить выражение"), Tr("Название"), description)) return;
  presets_->Add({description, expression_->text().toStdWString()});
  unsaved_ = false;
  FillPresets(static_cast<int>(presets_->Presets().size()) - 1);
}

void TTraceMathPresets::DeleteClick() {
  const int index = presetBox_->currentIndex();
  if (index < 0) return;
  if (!QuorQuestion(nullptr, Tr("Удалить выражение из списка?"), Tr("Подтвердите удаление"))) return;
  presets_->Remove(static_cast<std::size_t>(index));
  FillPresets(-1);
}

void TTraceMathPresets::EditClick() {
  const int index = presetBox_->currentIndex();
  if (index < 0) return;
  SMathPreset preset = presets_->Presets()[static_cast<std::size_t>(index)];
  if (!UserInteraction().QueryText(this, Tr("Редактирование выражения"), Tr("Название"), preset.description)) return;
  preset.expression = expression_->text().toStdWString();
  presets_->Edit(static_cast<std::size_t>(index), preset);
  unsaved_ = false;
  FillPresets(index);
}

bool TTraceMathPresets::eventFilter(QObject* watched, QEvent* event) {
  // Entering the expression of a complex-bound trace tells why it cannot be edited.
  if (watched == expression_ && event->type() == QEvent::FocusIn && !EditExpressionEnter()) expression_->clearFocus();
  return QDialog::eventFilter(watched, event);
}

void TTraceMathPresets::accept() {
  for (int k = 0; k < 2; ++k) {
    const int i = sources_[k]->currentIndex();
    if (i >= 0 && static_cast<std::size_t>(i) < candidates_.size()) math_->SetSourceTrace(k, candidates_[static_cast<std::size_t>(i)]);
  }
  const std::wstring text = expression_->text().toStdWString();
  if (!ComplexBound() && text != math_->GetExpression() && !math_->SetExpression(text)) return;  // told already
  QDialog::accept();
}
