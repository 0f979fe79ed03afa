#include "ui/PropPageControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <cmath>

#include "common/Text.h"
#include "common/UserInteraction.h"

namespace {
QString ToQ(const std::wstring& text) { return QString::fromStdWString(text); }
}  // namespace

IPropPageControls::~IPropPageControls() = default;

bool ParsePageNumber(const QString& text, double& value) {
  QString t = text.trimmed();
  t.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double v = t.toDouble(&ok);  // the C locale: "." only, whatever the person's locale
  if (!ok || !std::isfinite(v)) return false;
  value = v;
  return true;
}

QString FormatPageNumber(double value) { return std::isnan(value) ? QString() : QString::number(value, 'g', 12); }

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::editingFinished, this, [this] { Accept(); });
}

void TNumberEdit::SetValue(double value) {
  value_ = value;
  setText(FormatPageNumber(value));
}

bool TNumberEdit::Accept() {
  if (accepting_) return true;
  double v = 0.0;
  if (!ParsePageNumber(text(), v)) {
    accepting_ = true;
    setText(FormatPageNumber(value_));
    QuorMessageBox(nullptr, Tr("Некорректное значение"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
    accepting_ = false;
    return false;
  }
  const bool changed = v != value_;
  value_ = v;
  setText(FormatPageNumber(v));
  if (changed) emit valueEdited(v);
  return true;
}

QGroupBox* CreateGroupBox(QWidget* parent, const std::wstring& caption) {
  auto* box = new QGroupBox(ToQ(caption), parent);
  auto* form = new QFormLayout(box);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  return box;
}

QLabel* CreateLabel(QWidget* parent, const std::wstring& caption) { return new QLabel(ToQ(caption), parent); }

QCheckBox* CreateCheckBox(QWidget* parent, const std::wstring& caption, const std::wstring& hint) {
  auto* box = new QCheckBox(ToQ(caption), parent);
  box->setToolTip(ToQ(hint));
  return box;
}

QComboBox* CreateComboBox(QFormLayout* form, const std::wstring& caption, const std::wstring& hint) {
  auto* combo = new QComboBox(form->parentWidget());
  combo->setToolTip(ToQ(hint));
  form->addRow(ToQ(caption), combo);
  return combo;
}

TNumberEdit* CreateNumberEdit(QFormLayout* form, const std::wstring& caption, const std::wstring& hint) {
  auto* edit = new TNumberEdit(form->parentWidget());
  edit->setToolTip(ToQ(hint));
  form->addRow(ToQ(caption), edit);
  return edit;
}

QSpinBox* CreateSpinEdit(QFormLayout* form, const std::wstring& caption, int min, int max, const std::wstring& hint) {
  auto* spin = new QSpinBox(form->parentWidget());
  spin->setRange(min, max);
  spin->setToolTip(ToQ(hint));
  form->addRow(ToQ(caption), spin);
  return spin;
}

QPushButton* CreateButton(QWidget* parent, const std::wstring& caption, const std::wstring& hint) {
  auto* button = new QPushButton(ToQ(caption), parent);
  button->setToolTip(ToQ(hint));
  return button;
}

QToolButton* CreateColorBox(QFormLayout* form, const std::wstring& caption, const std::wstring& hint) {
  auto* button = new QToolButton(form->parentWidget());
  button->setToolTip(ToQ(hint));
  button->setIconSize(QSize(32, 14));
  form->addRow(ToQ(caption), button);
  return button;
}

void SetColorButton(QToolButton* button, unsigned bgrColor) {
  QPixmap swatch(32, 14);
  swatch.fill(QColor(bgrColor & 0xFF, (bgrColor >> 8) & 0xFF, (bgrColor >> 16) & 0xFF));
  button->setIcon(QIcon(swatch));
  button->setProperty("bgrColor", bgrColor);
}
