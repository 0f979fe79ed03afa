#pragma once
// What a property page is on screen. The engine's page (CPropPageBase) keeps the page told
// of the diagram, the selection and the markers; a page a person sees also implements
// IPropPageControls, through which the host asks for the page's frame and places it (a dock,
// a tool window, a side panel). The Create… helpers build the labelled controls the pages are
// made of, so every page looks and refuses bad input the same way.
#include <QLineEdit>
#include <QString>

#include <string>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;
class QWidget;

class IPropPageControls {
 public:
  virtual ~IPropPageControls();
  // Builds the page's controls in a frame of their own under `parent` (once; later calls
  // hand back the same frame) and fills them from the current diagram.
  virtual QWidget* CreateControls(QWidget* parent) = 0;
  // The frame, null before CreateControls.
  virtual QWidget* GetFrame() const = 0;
};

// A one-line number field. Enter or leaving the field takes the text: a number (with "." or
// "," as the decimal mark) becomes the value and is announced with valueEdited; any other
// text is refused with a message box and the field shows the old value again.
class TNumberEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TNumberEdit(QWidget* parent = nullptr);
  double Value() const { return value_; }
  // Shows the value without announcing it.
  void SetValue(double value);
  // Takes the field's text as if the person pressed Enter; false when it was refused.
  bool Accept();

 signals:
  void valueEdited(double value);

 private:
  double value_ = 0.0;
  bool accepting_ = false;  // the refusal's message box takes the focus away
};

// The field's text as a number; false for text that is no finite number.
bool ParsePageNumber(const QString& text, double& value);
QString FormatPageNumber(double value);

// Labelled controls in a form layout; captions and hints are translated by the caller.
QGroupBox* CreateGroupBox(QWidget* parent, const std::wstring& caption);
QLabel* CreateLabel(QWidget* parent, const std::wstring& caption);
QCheckBox* CreateCheckBox(QWidget* parent, const std::wstring& caption, const std::wstring& hint = {});
QComboBox* CreateComboBox(QFormLayout* form, const std::wstring& caption, const std::wstring& hint = {});
TNumberEdit* CreateNumberEdit(QFormLayout* form, const std::wstring& caption, const std::wstring& hint = {});
QSpinBox* CreateSpinEdit(QFormLayout* form, const std::wstring& caption, int min, int max,
                         const std::wstring& hint = {});
QPushButton* CreateButton(QWidget* parent, const std::wstring& caption, const std::wstring& hint = {});
// A button that shows a colour swatch; the page sets and reads the colour through SetColorButton.
QToolButton* CreateColorBox(QFormLayout* form, const std::wstring& caption, const std::wstring& hint = {});
void SetColorButton(QToolButton* button, unsigned bgrColor);
