#pragma once
// The expression dialog of a math trace: its two sources, the preset expressions shared by
// every math trace (CMathPresets) and the expression itself. Questions and queries go through
// the engine's user-interaction port, so the dialog runs the same under a test script.
#include <QDialog>

#include "traces/MathPresets.h"

class CDiagram;
class CTraceMath;
class CTraceMathSource;
class QComboBox;
class QLineEdit;

class TTraceMathPresets : public QDialog {
 public:
  TTraceMathPresets(CTraceMath* math, CDiagram* diagram, CMathPresets* presets, QWidget* parent = nullptr);

  // Fills the lists from the diagram and the preset file and shows the dialog modally.
  int ShowModalEx();

  // The dialog's actions, also reached by its buttons and lists.
  void AddClick();
  void DeleteClick();
  void EditClick();
  void OnPresetSelect(int index);
  void OnExpressionChange();
  // False (and the operator told) for a math trace bound to a complex channel.
  bool EditExpressionEnter();
  void accept() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  QComboBox* SourceBox(int index) const { return sources_[index]; }
  QComboBox* PresetBox() const { return presetBox_; }
  QLineEdit* ExpressionEdit() const { return expression_; }
  bool IsUnsaved() const { return unsaved_; }

 private:
  void FillSources();
  void FillPresets(int select);
  bool ComplexBound() const;

  CTraceMath* math_;
  CDiagram* diagram_;
  CMathPresets* presets_;
  QComboBox* sources_[2] = {nullptr, nullptr};
  QComboBox* presetBox_ = nullptr;
  QLineEdit* expression_ = nullptr;
  std::vector<CTraceMathSource*> candidates_;  // what the source lists offer, in order
  int currentPreset_ = -1;
  bool unsaved_ = false;
  bool filling_ = false;
};
