#pragma once
// The marker forms in Qt: the properties of a marker, the traces its read-out shows, the
// relation between two markers, and the list of values for placing markers; and the marker
// table, a list of the markers in use with their read-outs. The forms change the engine
// through its own rules (CMarkerPropertiesModel, CRelationMarker::SetParams), so a form and a
// script do the same thing.
#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QTimer>
#include <QWidget>

#include "markers/MarkerForms.h"
#include "markers/MarkerProperties.h"
#include "ui/PropPageControls.h"

class CDiagram;
class CMarkersManager;
class CRelationMarker;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTableWidget;

class TMarkerProperties : public QDialog {
 public:
  TMarkerProperties(CMarkersManager& manager, CMarker& marker, QWidget* parent = nullptr);
  CMarkerPropertiesModel& Model() { return model_; }
  // Shows the model's record in the controls.
  void Refresh();
  QComboBox* ModeBox() const { return mode_; }
  TNumberEdit* PositionEdit() const { return position_; }
  void accept() override;
  void reject() override;

 private:
  void Change(const std::function<void(SMarkParams&)>& edit);

  CMarkersManager& manager_;
  CMarkerPropertiesModel model_;
  bool refreshing_ = false;
  QCheckBox *state_, *discrete_, *stat_, *fixed_, *tracking_, *fullRange_;
  TNumberEdit *position_, *rangeMin_, *rangeMax_, *offset_, *level_, *excursion_;
  QSpinBox *stimFrac_, *valueFrac_, *number_;
  QComboBox *mode_, *trace_, *refTrace_, *refMarker_, *align_, *extreme_;
  QLabel *offsetLabel_, *levelLabel_;
};

class TTraceSelector : public QDialog {
 public:
  TTraceSelector(const QString& caption, const std::vector<std::wstring>& names, const std::vector<bool>& ticked,
                 QWidget* parent = nullptr);
  std::vector<bool> Ticked() const;
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_;
};

class TRelationProperties : public QDialog {
 public:
  TRelationProperties(CMarkersManager& manager, CRelationMarker& relation, QWidget* parent = nullptr);
  QLineEdit* ExpressionEdit() const { return expression_; }
  QLineEdit* PrintEdit() const { return print_; }
  QComboBox* PresetBox() const { return presets_; }
  // Keeps the current expression in the preset file under its description.
  void AddPreset();
  void DeletePreset();
  void accept() override;

 private:
  void FillPresets();
  void InsertToken(const QString& token);

  CMarkersManager& manager_;
  CRelationMarker& relation_;
  QComboBox* presets_;
  QLineEdit *description_, *expression_, *print_;
  QSpinBox* fraction_;
  QLineEdit* focusTarget_ = nullptr;
};

class TValueListForm : public QDialog {
 public:
  TValueListForm(const QString& caption, const QString& header, double scale, double min, double max, unsigned maxRows,
                 const std::vector<double>& values, QWidget* parent = nullptr);
  // The values in base units; false (and the operator told) while a cell holds no number.
  bool Values(std::vector<double>& values) const;
  bool LoadFile(const std::wstring& path);
  bool SaveFile(const std::wstring& path) const;
  QTableWidget* Table() const { return table_; }
  void accept() override;

 private:
  void SetValues(const std::vector<double>& values);

  QTableWidget* table_;
  double scale_;
  double min_;
  double max_;
  unsigned maxRows_;
};

// The markers in use on a diagram, a row each: name, mode, stimulus, and the value on every
// trace its read-out shows; refreshed a few times a second, copied to the clipboard as CSV.
class TMarkerTable : public QWidget {
 public:
  explicit TMarkerTable(QWidget* parent = nullptr);
  void SetDiagram(CDiagram* diagram);
  // Asks for the diagram at every refresh (the active one, say), so a diagram that went away
  // is never read.
  void SetDiagramSource(std::function<CDiagram*()> source);
  void Refresh();
  QString Csv() const;
  QTableWidget* Table() const { return table_; }

 private:
  CDiagram* diagram_ = nullptr;
  std::function<CDiagram*()> source_;
  QTableWidget* table_;
  QTimer timer_;
};

// The forms port for the Qt layer; forms open only where a person can answer them.
class TQtMarkerForms : public IMarkerForms {
 public:
  bool EditMarker(CMarker& marker) override;
  bool EditRelation(CRelationMarker& relation) override;
  bool ChooseTraces(const std::wstring& caption, const std::vector<std::wstring>& names,
                    std::vector<bool>& ticked) override;
  bool EditValueList(const std::wstring& caption, const std::wstring& header, double scale, double min, double max,
                     unsigned maxRows, std::vector<double>& values) override;
};
