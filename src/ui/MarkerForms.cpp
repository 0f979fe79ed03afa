#include "ui/MarkerForms.h"

#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <sstream>

#include "common/AtomicFile.h"
#include "common/Matrix.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "core/DiagCommonLib.h"
#include "diagram/Diagram.h"
#include "interfaces/DiagramControlInterface.h"
#include "markers/MarkParams.h"
#include "markers/MarkersManager.h"
#include "ui/QtPorts.h"

namespace {

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }
QString QTr(const char* msgid) { return Q(Tr(msgid)); }

QString Number(double value) { return std::isnan(value) ? QString() : QString::number(value, 'g', 12); }

void RefuseNumber(const QString& text) {
  QuorMessageBox(nullptr, Tr("Некорректное значение") + L": " + text.toStdWString(), Tr("Ошибка"), MB_OK | MB_ICONERROR);
}

bool ParseNumber(const QString& text, double& value) {
  try {
    value = StrToDouble(text.trimmed().toUtf8().constData());
    return std::isfinite(value);
  } catch (const EConvertError&) {
    return false;
  }
}

// "OK" and "Отмена" under a form, accepting and rejecting it.
QDialogButtonBox* OkCancel(QDialog* form) {
  auto* buttons = new QDialogButtonBox(form);
  buttons->addButton(QTr("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QTr("Отмена"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, form, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, form, &QDialog::reject);
  return buttons;
}

QComboBox* Combo(const std::vector<QString>& items, QWidget* parent) {
  auto* box = new QComboBox(parent);
  for (const QString& item : items) box->addItem(item);
  return box;
}

// The relation presets of the control's "MarkersRelFile": description, expression, print.
struct SPreset {
  std::wstring description, expression, print;
};

std::wstring PresetFile(CMarkersManager& manager) {
  return manager.Control() != nullptr ? manager.Control()->GetDiagramString(L"MarkersRelFile") : std::wstring();
}

std::vector<SPreset> ReadPresets(const std::wstring& file) {
  std::vector<SPreset> presets;
  pugi::xml_document doc;
  if (file.empty() || !doc.load_file(WideToUtf8(file).c_str())) return presets;
  for (const pugi::xpath_node& n : SelectNodes(doc, L"/relationList/relation"))
    presets.push_back({GetNodeWideStringValue(n.node(), L"description/@value", L"Undefined"),
                       GetNodeWideStringValue(n.node(), L"expression/@value", L"Undefined"),
                       GetNodeWideStringValue(n.node(), L"print/@value", L"Undefined")});
  return presets;
}

bool WritePresets(const std::wstring& file, const std::vector<SPreset>& presets) {
  pugi::xml_document doc;
  pugi::xml_node list = AddElement(doc, L"relationList");
  for (const SPreset& p : presets) {
    pugi::xml_node r = AddElement(list, L"relation");
    AddAttribute(AddElement(r, L"description"), L"value", p.description);
    AddAttribute(AddElement(r, L"expression"), L"value", p.expression);
    AddAttribute(AddElement(r, L"print"), L"value", p.print);
  }
  std::ostringstream out;
  doc.save(out, "\t", pugi::format_indent, pugi::encoding_utf8);
  return !file.empty() && WriteFileAtomically(WideToUtf8(file), out.str()) == 0;
}

}  // namespace

// ---- marker properties --------------------------------------------------------------------

TMarkerProperties::TMarkerProperties(CMarkersManager& manager, CMarker& marker, QWidget* parent)
    : QDialog(parent), manager_(manager), model_(manager, marker) {
  setWindowTitle(QTr("Свойства маркера") + " " + Q(marker.GetCaption()));
  const auto number = [this](double SMarkParams::* field) {
    auto* edit = new TNumberEdit(this);
    connect(edit, &TNumberEdit::valueEdited, this, [this, field](double v) {
      model_.ApplyNumber(field, v);
      Refresh();
    });
    return edit;
  };
  auto* general = new QGroupBox(QTr("Общие"), this);
  auto* g = new QFormLayout(general);
  state_ = new QCheckBox(QTr("Состояние"), general);
  state_->setToolTip(QTr("Активация/деактивация маркера"));
  g->addRow(state_);
  position_ = number(&SMarkParams::position);
  position_->setToolTip(QTr("Установка маркера на заданное значение задающего воздействия"));
  g->addRow(QTr("Задающее воздействие"), position_);
  stimFrac_ = new QSpinBox(general);
  valueFrac_ = new QSpinBox(general);
  for (QSpinBox* s : {stimFrac_, valueFrac_}) s->setRange(0, 12);
  stimFrac_->setToolTip(QTr("Количество отображаемых знаков дробной части по оси абцисс"));
  valueFrac_->setToolTip(QTr("Количество знаков дробной части значений по оси ординат"));
  auto* fractions = new QHBoxLayout;
  fractions->addWidget(stimFrac_);
  fractions->addWidget(valueFrac_);
  g->addRow(QTr("Точность (абсцисс/ординат)"), fractions);
  discrete_ = new QCheckBox(QTr("Дискретный"), general);
  discrete_->setToolTip(QTr("Использование интерполяции для расчета значений между измеренными точками (D)"));
  stat_ = new QCheckBox(QTr("Статистика"), general);
  stat_->setToolTip(QTr("Статистика значений маркера: минимум, среднее, максимум и СКО (S)"));
  fixed_ = new QCheckBox(QTr("Фиксированный маркер"), general);
  fixed_->setToolTip(QTr("Зафиксировать маркер на текущей позиции с сохранением последних значений"));
  for (QCheckBox* c : {discrete_, stat_, fixed_}) g->addRow(c);

  auto* search = new QGroupBox(QTr("Поиск"), this);
  auto* s = new QFormLayout(search);
  mode_ = Combo({QTr("Свободный"), QTr("Минимум"), QTr("Максимум"), QTr("Уровень"), QTr("Дельта - минимум"),
                 QTr("Дельта - максимум"), QTr("Дельта - уровень"), QTr("Дельта - маркер")},
                search);
  mode_->setToolTip(QTr("Режим слежения маркера"));
  s->addRow(QTr("Режим"), mode_);
  std::vector<QString> traces;
  if (DiagramInterface* d = marker.Diagram())
    for (unsigned i = 0; i < d->GetTraceCount(); ++i) traces.push_back(Q(d->Trace(i)->GetName()));
  trace_ = Combo(traces, search);
  trace_->setToolTip(QTr("Основная трасса привязки маркера (CTRL+num)"));
  s->addRow(QTr("Трасса привязки"), trace_);
  tracking_ = new QCheckBox(QTr("Слежение"), search);
  tracking_->setToolTip(QTr("Слежение за экстремумом в режиме поиска (T)"));
  s->addRow(tracking_);
  refTrace_ = Combo(traces, search);
  refTrace_->setToolTip(QTr("Дополнительная трасса маркера для разностных (дельта) измерений"));
  s->addRow(QTr("Трасса дельта"), refTrace_);
  auto* range = new QGroupBox(QTr("Диапазон поиска"), search);
  range->setToolTip(QTr("Поиск экстремумов/фиксированных значений по всей трассе, либо в указанном диапазоне задающего воздействия"));
  auto* r = new QHBoxLayout(range);
  rangeMin_ = number(&SMarkParams::rangeMin);
  rangeMax_ = number(&SMarkParams::rangeMax);
  fullRange_ = new QCheckBox(QTr("Полный диапазон"), range);
  r->addWidget(rangeMin_);
  r->addWidget(rangeMax_);
  r->addWidget(fullRange_);
  s->addRow(range);
  std::vector<QString> others;
  for (unsigned i = 0; i < kMarkerCount; ++i) others.push_back(QTr("Маркер ") + QString::number(i + 1));
  refMarker_ = Combo(others, search);
  refMarker_->setToolTip(QTr("Опорный маркер для относительных измерений (режим дельта-маркера)"));
  s->addRow(QTr("Опорный маркер"), refMarker_);
  align_ = Combo({QTr("<- уров."), QTr("уров. ->"), QTr("<- поз."), QTr("поз.-> ")}, search);
  offset_ = number(&SMarkParams::divergence);
  auto* offsetRow = new QHBoxLayout;
  offsetRow->addWidget(align_);
  offsetRow->addWidget(offset_);
  offsetLabel_ = new QLabel(QTr("Смещение"), search);
  s->addRow(offsetLabel_, offsetRow);
  extreme_ = Combo({QTr("Выключен"), QTr("Локальный экстремум"), QTr("Экстремум с номером")}, search);
  extreme_->setToolTip(QTr("Тип отслеживаемого экстремума:\nлокальный - в пределах участка между соседними экстремумами "
                         "противоположного знака;\nс номером - по порядковому номеру экстремума на трассе"));
  s->addRow(QTr("Автопоиск"), extreme_);
  level_ = number(&SMarkParams::fixedLevel);
  levelLabel_ = new QLabel(QTr("Уровень"), search);
  s->addRow(levelLabel_, level_);
  number_ = new QSpinBox(search);
  number_->setRange(1, 1000);
  number_->setToolTip(QTr("Порядковый номер отслеживаемого экстремума "));
  s->addRow(QTr("Номер экстремума"), number_);
  excursion_ = number(&SMarkParams::excursion);
  excursion_->setToolTip(QTr("Минимальная разность между локальным максимумом и минимумом"));
  s->addRow(QTr("Допуск"), excursion_);

  QDialogButtonBox* buttons = OkCancel(this);
  auto* columns = new QHBoxLayout;
  columns->addWidget(general);
  columns->addWidget(search);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(buttons);

  connect(state_, &QCheckBox::toggled, this, [this](bool on) { Change([on](SMarkParams& p) { p.enabled = on; }); });
  connect(discrete_, &QCheckBox::toggled, this, [this](bool on) { Change([on](SMarkParams& p) { p.discrete = on; }); });
  connect(stat_, &QCheckBox::toggled, this, [this](bool on) { Change([on](SMarkParams& p) { p.showStat = on; }); });
  connect(tracking_, &QCheckBox::toggled, this, [this](bool on) { Change([on](SMarkParams& p) { p.tracking = on; }); });
  connect(fullRange_, &QCheckBox::toggled, this, [this](bool on) { Change([on](SMarkParams& p) { p.noLimits = on; }); });
  connect(fixed_, &QCheckBox::toggled, this, [this](bool on) {
    if (!refreshing_) model_.Marker().SetFixed(on);
  });
  connect(stimFrac_, &QSpinBox::valueChanged, this, [this](int v) { Change([v](SMarkParams& p) { p.stimFraction = v; }); });
  connect(valueFrac_, &QSpinBox::valueChanged, this, [this](int v) { Change([v](SMarkParams& p) { p.valueFraction = v; }); });
  connect(number_, &QSpinBox::valueChanged, this, [this](int v) { Change([v](SMarkParams& p) { p.extremumIndex = v; }); });
  connect(trace_, &QComboBox::currentIndexChanged, this, [this](int i) { Change([i](SMarkParams& p) { p.traceIndex = i; }); });
  connect(refTrace_, &QComboBox::currentIndexChanged, this,
          [this](int i) { Change([i](SMarkParams& p) { p.refTraceIndex = i; }); });
  connect(refMarker_, &QComboBox::currentIndexChanged, this,
          [this](int i) { Change([i](SMarkParams& p) { p.refMarker = i; }); });
  connect(extreme_, &QComboBox::currentIndexChanged, this,
          [this](int i) { Change([i](SMarkParams& p) { p.extremeMode = static_cast<EExtremeMode>(i); }); });
  connect(mode_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (refreshing_) return;
    model_.SetModeItem(i);
    Refresh();
  });
  connect(align_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (refreshing_) return;
    model_.SetDirection(static_cast<EMarkDirection>(i));
    Refresh();
  });
  Refresh();
}

void TMarkerProperties::Change(const std::function<void(SMarkParams&)>& edit) {
  if (refreshing_) return;
  SMarkParams p = model_.Params();
  edit(p);
  model_.Apply(p);
  Refresh();
}

void TMarkerProperties::Refresh() {
  refreshing_ = true;
  const SMarkParams& p = model_.Params();
  state_->setChecked(p.enabled);
  position_->SetValue(model_.Marker().GetFreq() == model_.Marker().GetFreq() ? model_.Marker().GetFreq() : p.position);
  stimFrac_->setValue(p.stimFraction);
  valueFrac_->setValue(p.valueFraction);
  discrete_->setChecked(p.discrete);
  stat_->setChecked(p.showStat);
  fixed_->setChecked(model_.Marker().IsFixed());
  mode_->setCurrentIndex(model_.ModeItem());
  trace_->setCurrentIndex(p.traceIndex);
  tracking_->setChecked(p.tracking);
  refTrace_->setCurrentIndex(p.refTraceIndex);
  rangeMin_->SetValue(p.rangeMin);
  rangeMax_->SetValue(p.rangeMax);
  fullRange_->setChecked(p.noLimits);
  refMarker_->setCurrentIndex(p.refMarker);
  align_->setCurrentIndex(static_cast<int>(p.direction));
  offset_->SetValue(p.divergence);
  extreme_->setCurrentIndex(static_cast<int>(p.extremeMode));
  level_->SetValue(p.fixedLevel);
  number_->setValue(std::max(1, p.extremumIndex));
  excursion_->SetValue(p.excursion);
  const bool search = model_.SearchEnabled();
  const int item = model_.ModeItem();
  for (QWidget* w : std::initializer_list<QWidget*>{tracking_, rangeMin_, rangeMax_, fullRange_, align_, offset_, extreme_,
                                                    excursion_})
    w->setEnabled(search);
  refTrace_->setEnabled(item >= 4 && item <= 6);
  refMarker_->setEnabled(item == 7);
  level_->setEnabled(item == 3 || item == 6);
  number_->setEnabled(search && p.extremeMode == emFixed);
  rangeMin_->setEnabled(search && !p.noLimits);
  rangeMax_->setEnabled(search && !p.noLimits);
  offsetLabel_->setText(Q(model_.OffsetCaption()));
  align_->setToolTip(Q(model_.OffsetHint()));
  levelLabel_->setText(Q(model_.LevelCaption()));
  level_->setToolTip(Q(model_.LevelHint()));
  refreshing_ = false;
}

void TMarkerProperties::accept() {
  // A number still being typed counts as typed.
  for (TNumberEdit* e : {position_, rangeMin_, rangeMax_, offset_, level_, excursion_})
    if (!e->Accept()) return;
  model_.Ok();
  QDialog::accept();
}

void TMarkerProperties::reject() {
  model_.Cancel();
  QDialog::reject();
}

// ---- trace selector -----------------------------------------------------------------------

TTraceSelector::TTraceSelector(const QString& caption, const std::vector<std::wstring>& names,
                               const std::vector<bool>& ticked, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
  setWindowTitle(caption);
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto* item = new QListWidgetItem(Q(names[i]), list_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(i < ticked.size() && ticked[i] ? Qt::Checked : Qt::Unchecked);
  }
  QDialogButtonBox* buttons = OkCancel(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
}

std::vector<bool> TTraceSelector::Ticked() const {
  std::vector<bool> ticked;
  for (int i = 0; i < list_->count(); ++i) ticked.push_back(list_->item(i)->checkState() == Qt::Checked);
  return ticked;
}

// ---- relation properties ------------------------------------------------------------------

TRelationProperties::TRelationProperties(CMarkersManager& manager, CRelationMarker& relation, QWidget* parent)
    : QDialog(parent), manager_(manager), relation_(relation) {
  setWindowTitle(QTr("Свойства связного маркера"));
  const SConnParams& p = relation.GetParams();
  auto* saved = new QGroupBox(QTr("Сохранённые выражения"), this);
  auto* sl = new QHBoxLayout(saved);
  presets_ = new QComboBox(saved);
  presets_->setToolTip(QTr("Имя"));
  auto* add = new QPushButton("+", saved);
  add->setToolTip(QTr("Добавить в список новое выражение"));
  auto* remove = new QPushButton("-", saved);
  remove->setToolTip(QTr("Удалить текущее выражение из списка"));
  sl->addWidget(presets_, 1);
  sl->addWidget(add);
  sl->addWidget(remove);
  auto* formula = new QGroupBox(QTr("Математическое выражение и формат"), this);
  auto* f = new QFormLayout(formula);
  description_ = new QLineEdit(Q(Tr(WideToUtf8(p.description).c_str())), formula);
  expression_ = new QLineEdit(Q(Tr(WideToUtf8(p.expression).c_str())), formula);
  print_ = new QLineEdit(Q(Tr(WideToUtf8(p.print).c_str())), formula);
  for (QLineEdit* e : {description_, expression_, print_}) e->setMaxLength(200);
  f->addRow(QTr("Имя"), description_);
  f->addRow(QTr("Математическое выражение"), expression_);
  f->addRow(QTr("Формат отображения"), print_);
  auto* tokens = new QHBoxLayout;
  for (const char* token : {TrNoop("%зн"), TrNoop("%ср"), TrNoop("%ско"), TrNoop("%мин"), TrNoop("%макс"),
                            TrNoop("%выб"), TrNoop("%врм")}) {
    auto* button = new QPushButton(QTr(token), formula);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, token] { InsertToken(QTr(token)); });
    tokens->addWidget(button);
  }
  f->addRow(tokens);
  fraction_ = new QSpinBox(this);
  fraction_->setRange(0, 9);
  fraction_->setValue(p.fraction);
  fraction_->setToolTip(QTr("Количество отображаемых знаков дробной части в значениях связного маркера"));
  f->addRow(QTr("Точность"), fraction_);
  QDialogButtonBox* buttons = OkCancel(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(saved);
  layout->addWidget(formula);
  layout->addWidget(buttons);
  connect(add, &QPushButton::clicked, this, [this] { AddPreset(); });
  connect(remove, &QPushButton::clicked, this, [this] { DeletePreset(); });
  connect(presets_, &QComboBox::activated, this, [this](int i) {
    const std::vector<SPreset> list = ReadPresets(PresetFile(manager_));
    if (i < 0 || static_cast<std::size_t>(i) >= list.size()) return;
    description_->setText(Q(list[static_cast<std::size_t>(i)].description));
    expression_->setText(Q(list[static_cast<std::size_t>(i)].expression));
    print_->setText(Q(list[static_cast<std::size_t>(i)].print));
  });
  FillPresets();
}

void TRelationProperties::FillPresets() {
  presets_->clear();
  for (const SPreset& p : ReadPresets(PresetFile(manager_))) presets_->addItem(Q(p.description));
}

void TRelationProperties::InsertToken(const QString& token) { print_->insert(token); }

void TRelationProperties::AddPreset() {
  std::vector<SPreset> list = ReadPresets(PresetFile(manager_));
  const SPreset now{description_->text().toStdWString(), expression_->text().toStdWString(), print_->text().toStdWString()};
  bool replaced = false;
  for (SPreset& p : list)
    if (p.description == now.description) {
      p = now;
      replaced = true;
    }
  if (!replaced) list.push_back(now);
  if (!WritePresets(PresetFile(manager_), list)) {
    std::wstring text = Tr("Не удаётся записать файл %0: %1");
    ReplaceString(text, L"%0", PresetFile(manager_));
    ReplaceString(text, L"%1", L"");
    QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
  }
  FillPresets();
}

void TRelationProperties::DeletePreset() {
  const int i = presets_->currentIndex();
  if (i < 0 || !QuorQuestion(nullptr, Tr("Удалить выражение из списка?"), Tr("Подтвердите удаление"))) return;
  std::vector<SPreset> list = ReadPresets(PresetFile(manager_));
  if (static_cast<std::size_t>(i) < list.size()) list.erase(list.begin() + i);
  WritePresets(PresetFile(manager_), list);
  FillPresets();
}

void TRelationProperties::accept() {
  SConnParams p = relation_.GetParams();
  p.description = description_->text().toStdWString();
  p.expression = expression_->text().toStdWString();
  p.print = print_->text().toStdWString();
  p.fraction = fraction_->value();
  if (!relation_.SetParams(p)) {
    QuorMessageBox(nullptr, Tr("Ошибка при синтаксическом разборе выражения") + L"\n" + relation_.ErrorText(), Tr("Ошибка"),
                   MB_OK | MB_ICONERROR);
    return;
  }
  manager_.Repaint();
  QDialog::accept();
}

// ---- list of placement values -------------------------------------------------------------

TValueListForm::TValueListForm(const QString& caption, const QString& header, double scale, double min, double max,
                               unsigned maxRows, const std::vector<double>& values, QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(0, 1, this)), scale_(scale), min_(min), max_(max), maxRows_(maxRows) {
  setWindowTitle(caption);
  table_->setHorizontalHeaderLabels({header});
  table_->horizontalHeader()->setStretchLastSection(true);
  SetValues(values);
  auto* add = new QPushButton(QTr("Добавить"), this);
  auto* remove = new QPushButton(QTr("Удалить"), this);
  auto* load = new QPushButton(QTr("Загрузить..."), this);
  auto* save = new QPushButton(QTr("Сохранить..."), this);
  auto* next = new QPushButton(QTr("Далее"), this);
  auto* cancel = new QPushButton(QTr("Отмена"), this);
  next->setDefault(true);
  auto* row = new QHBoxLayout;
  for (QPushButton* b : {add, remove, load, save}) row->addWidget(b);
  row->addStretch();
  row->addWidget(next);
  row->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addLayout(row);
  connect(add, &QPushButton::clicked, this, [this] {
    if (static_cast<unsigned>(table_->rowCount()) < maxRows_) table_->insertRow(table_->rowCount());
  });
  connect(remove, &QPushButton::clicked, this, [this] {
    if (table_->currentRow() >= 0) table_->removeRow(table_->currentRow());
  });
  const auto folder = [] { return std::wstring(); };
  const std::wstring filter = Tr("Текстовые файлы (*.txt)") + L"|*.txt|" + Tr("Все файлы (*.*)") + L"|*.*";
  connect(load, &QPushButton::clicked, this, [this, folder, filter] {
    std::wstring path = folder();
    if (UserInteraction().OpenFileName(static_cast<QWidget*>(this), Tr("Загрузить..."), filter, path)) LoadFile(path);
  });
  connect(save, &QPushButton::clicked, this, [this, folder, filter] {
    std::wstring path = folder();
    if (UserInteraction().SaveFileName(static_cast<QWidget*>(this), Tr("Сохранить..."), filter, path)) SaveFile(path);
  });
  connect(next, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TValueListForm::SetValues(const std::vector<double>& values) {
  table_->setRowCount(0);
  for (double v : values) {
    if (static_cast<unsigned>(table_->rowCount()) >= maxRows_) break;
    const int r = table_->rowCount();
    table_->insertRow(r);
    table_->setItem(r, 0, new QTableWidgetItem(Number(v * scale_)));
  }
}

bool TValueListForm::Values(std::vector<double>& values) const {
  std::vector<double> out;
  for (int r = 0; r < table_->rowCount(); ++r) {
    const QTableWidgetItem* item = table_->item(r, 0);
    if (item == nullptr || item->text().trimmed().isEmpty()) continue;
    double v = 0;
    if (!ParseNumber(item->text(), v)) {
      RefuseNumber(item->text());
      return false;
    }
    out.push_back(v / scale_);
  }
  values = out;
  return true;
}

bool TValueListForm::LoadFile(const std::wstring& path) {
  CDoubleMatrix matrix;
  std::size_t line = 0;
  if (LoadCustomMatrixFromFile(path, matrix, 0, nullptr, &line) != mrOk || (matrix.Rows() > 0 && matrix.Cols() < 1)) {
    std::wstring text = line > 0 ? Tr("Файл трассы %0 не прочитан: строка %1 не является строкой таблицы чисел.")
                                 : Tr("Файл трассы %0 не прочитан.");
    ReplaceString(text, L"%0", path);
    ReplaceString(text, L"%1", std::to_wstring(line));
    QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
    return false;
  }
  std::vector<double> values;
  for (std::size_t r = 0; r < matrix.Rows(); ++r) values.push_back(matrix(r, 0) / scale_);
  SetValues(values);
  return true;
}

bool TValueListForm::SaveFile(const std::wstring& path) const {
  std::vector<double> values;
  if (!Values(values)) return false;
  CDoubleMatrix matrix(values.size(), 1);
  for (std::size_t r = 0; r < values.size(); ++r) matrix(r, 0) = values[r] * scale_;
  if (SaveCustomMatrixToFile(path, matrix) == mrOk) return true;
  std::wstring text = Tr("Трассу не удалось сохранить в файл %0.");
  ReplaceString(text, L"%0", path);
  QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
  return false;
}

void TValueListForm::accept() {
  std::vector<double> values;
  if (Values(values)) QDialog::accept();
}

// ---- marker table -------------------------------------------------------------------------

TMarkerTable::TMarkerTable(QWidget* parent) : QWidget(parent), table_(new QTableWidget(0, 0, this)) {
  auto* copy = new QPushButton(QTr("Копировать значение"), this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(table_);
  layout->addWidget(copy);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setVisible(false);
  connect(copy, &QPushButton::clicked, this, [this] {
    if (!UserInteraction().CopyToClipboard(Csv().toStdWString()))
      QuorMessageBox(nullptr, Tr("Ошибка копирования в буфер обмена"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
  });
  connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
  timer_.start(250);
}

void TMarkerTable::SetDiagram(CDiagram* diagram) {
  source_ = nullptr;
  diagram_ = diagram;
  Refresh();
}

void TMarkerTable::SetDiagramSource(std::function<CDiagram*()> source) {
  source_ = std::move(source);
  Refresh();
}

void TMarkerTable::Refresh() {
  if (source_) diagram_ = source_();
  CMarkersManager* markers = diagram_ != nullptr ? diagram_->GetMarkers() : nullptr;
  const unsigned traces = diagram_ != nullptr ? diagram_->GetTraceCount() : 0;
  QStringList headers{QTr("Маркер"), QTr("Режим"), QTr("Стимул")};
  std::vector<unsigned> lines;
  for (unsigned t = 0; t < traces && t + 2 < kLinesCount; ++t) {
    bool shown = false;
    for (unsigned i = 0; markers != nullptr && i < kMarkerCount; ++i)
      shown = shown || (!markers->Marker(i)->GetParked() && markers->Marker(i)->GetParams().lines.test(t + 2));
    if (!shown) continue;
    lines.push_back(t + 2);
    headers << Q(diagram_->Trace(t)->GetName());
  }
  table_->setColumnCount(static_cast<int>(headers.size()));
  table_->setHorizontalHeaderLabels(headers);
  int row = 0;
  for (unsigned i = 0; markers != nullptr && i < kMarkerCount; ++i) {
    CMarker* m = markers->Marker(i);
    if (m->GetParked()) continue;
    if (table_->rowCount() <= row) table_->insertRow(row);
    const auto set = [this, row](int column, const QString& text) {
      QTableWidgetItem* item = table_->item(row, column);
      if (item == nullptr) table_->setItem(row, column, item = new QTableWidgetItem);
      if (item->text() != text) item->setText(text);
    };
    QString mode = Q(MarkModeCaption(m->GetParams().mode)).remove('&');
    if (m->GetParams().deltaMeasure) mode += " Δ";
    set(0, "M" + Q(m->GetCaption()) + (m->IsActivated() ? "" : " (-)"));
    set(1, mode);
    set(2, Q(m->GetTraceValueString(0)));
    for (std::size_t c = 0; c < lines.size(); ++c)
      set(static_cast<int>(c) + 3, m->GetParams().lines.test(lines[c]) ? Q(m->GetTraceValueString(static_cast<int>(lines[c]))) : QString());
    ++row;
  }
  table_->setRowCount(row);
}

QString TMarkerTable::Csv() const {
  QStringList rows;
  QStringList header;
  for (int c = 0; c < table_->columnCount(); ++c) header << table_->horizontalHeaderItem(c)->text();
  rows << header.join(';');
  for (int r = 0; r < table_->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < table_->columnCount(); ++c) cells << (table_->item(r, c) != nullptr ? table_->item(r, c)->text() : QString());
    rows << cells.join(';');
  }
  return rows.join('\n') + '\n';
}

// ---- the port -----------------------------------------------------------------------------

bool TQtMarkerForms::EditMarker(CMarker& marker) {
  if (!TQtUserInteraction::Interactive() || marker.Manager() == nullptr) return false;
  TMarkerProperties form(*marker.Manager(), marker, QApplication::activeWindow());
  return form.exec() == QDialog::Accepted;
}

bool TQtMarkerForms::EditRelation(CRelationMarker& relation) {
  if (!TQtUserInteraction::Interactive() || relation.Manager() == nullptr) return false;
  TRelationProperties form(*relation.Manager(), relation, QApplication::activeWindow());
  return form.exec() == QDialog::Accepted;
}

bool TQtMarkerForms::ChooseTraces(const std::wstring& caption, const std::vector<std::wstring>& names,
                                  std::vector<bool>& ticked) {
  if (!TQtUserInteraction::Interactive()) return false;
  TTraceSelector form(Q(caption), names, ticked, QApplication::activeWindow());
  if (form.exec() != QDialog::Accepted) return false;
  ticked = form.Ticked();
  return true;
}

bool TQtMarkerForms::EditValueList(const std::wstring& caption, const std::wstring& header, double scale, double min,
                                   double max, unsigned maxRows, std::vector<double>& values) {
  if (!TQtUserInteraction::Interactive()) return false;
  TValueListForm form(Q(caption), Q(header), scale, min, max, maxRows, values, QApplication::activeWindow());
  if (form.exec() != QDialog::Accepted) return false;
  return form.Values(values);
}
