#include "ui/QtPorts.h"

#include <array>
#include <cstdlib>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QVariant>

#include "common/Log.h"
#include "common/MainThread.h"
#include "control/DiagramControl.h"
#include "core/DiagCommonLib.h"
#include "diagram/Diagram.h"
#include "traces/TraceMath.h"
#include "ui/MarkerForms.h"
#include "ui/SpectrumControlForm.h"
#include "ui/TraceMathPresets.h"

namespace {

QWidget* OwnerWidget(QuorWindow owner) { return static_cast<QWidget*>(const_cast<void*>(owner)); }

QString ToQ(const std::wstring& text) { return QString::fromStdWString(text); }

struct SBoxButtons {
  std::array<QMessageBox::StandardButton, 3> buttons;
  int count;
};

// The buttons of a box type in the order the default-button flags count them.
SBoxButtons ButtonsOf(unsigned flags) {
  switch (flags & 0xF) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, QMessageBox::Cancel}, 2};
    case MB_ABORTRETRYIGNORE: return {{QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}, 3};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, 3};
    case MB_YESNO: return {{QMessageBox::Yes, QMessageBox::No}, 2};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, QMessageBox::Cancel}, 2};
    default: return {{QMessageBox::Ok}, 1};
  }
}

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ResultOf(int button) {
  switch (button) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Abort: return IDABORT;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Ignore: return IDIGNORE;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return 0;
  }
}

constexpr const char* kOptionsGroup = "Options/";

}  // namespace

// ---------------------------------------------------------------------------------------
// User interaction

bool TQtUserInteraction::Interactive() {
  const char* noninteractive = std::getenv("PLOTVANE_NONINTERACTIVE");
  if (noninteractive != nullptr && *noninteractive != '\0') return false;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && QString::fromLocal8Bit(platform).startsWith(QLatin1String("offscreen"))) return false;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
  return QGuiApplication::platformName() != QLatin1String("offscreen");
}

int TQtUserInteraction::MessageBox(QuorWindow owner, const std::wstring& text, const std::wstring& caption,
                                   unsigned flags) {
  const unsigned icon = flags & 0xF0;
  if (!Interactive()) {
    LogMessage(L"Message", caption + L": " + text, icon == MB_ICONERROR || icon == MB_ICONWARNING);
    return DefaultMessageBoxResult(flags);
  }
  QMessageBox box(IconOf(flags), ToQ(caption), ToQ(text), QMessageBox::NoButton, OwnerWidget(owner));
  const SBoxButtons set = ButtonsOf(flags);
  for (int i = 0; i < set.count; ++i) box.addButton(set.buttons[i]);
  const int def = static_cast<int>((flags & 0xF00) >> 8);
  box.setDefaultButton(set.buttons[def < set.count ? def : 0]);
  const int result = ResultOf(box.exec());
  // A box closed some other way answers as if nobody had been asked.
  return result != 0 ? result : DefaultMessageBoxResult(flags);
}

bool TQtUserInteraction::QueryNumber(QuorWindow owner, const std::wstring& caption, const std::wstring& prompt,
                                     double& value) {
  if (!Interactive()) return false;
  // A text field, not a spin box: instrument values span from 1e-12 to 1e12 and are typed
  // with exponents and either decimal mark.
  QString text = ToQ(DoubleToStr(value, ffGeneral, 15));
  for (;;) {
    bool ok = false;
    text = QInputDialog::getText(OwnerWidget(owner), ToQ(caption), ToQ(prompt), QLineEdit::Normal, text, &ok);
    if (!ok) return false;
    try {
      value = StrToDouble(text.toUtf8().constData());
      return true;
    } catch (const EConvertError& error) {
      QMessageBox::warning(OwnerWidget(owner), ToQ(caption), QString::fromUtf8(error.what()));
    }
  }
}

bool TQtUserInteraction::QueryText(QuorWindow owner, const std::wstring& caption, const std::wstring& prompt,
                                   std::wstring& value) {
  if (!Interactive()) return false;
  bool ok = false;
  const QString text =
      QInputDialog::getText(OwnerWidget(owner), ToQ(caption), ToQ(prompt), QLineEdit::Normal, ToQ(value), &ok);
  if (!ok) return false;
  value = text.toStdWString();
  return true;
}

bool TQtUserInteraction::OpenFileName(QuorWindow owner, const std::wstring& caption, const std::wstring& filter,
                                      std::wstring& path) {
  if (!Interactive()) return false;
  const QString name = QFileDialog::getOpenFileName(OwnerWidget(owner), ToQ(caption), ToQ(path), ToQtFileFilter(filter));
  if (name.isEmpty()) return false;
  path = name.toStdWString();
  return true;
}

bool TQtUserInteraction::SaveFileName(QuorWindow owner, const std::wstring& caption, const std::wstring& filter,
                                      std::wstring& path) {
  if (!Interactive()) return false;
  const QString name = QFileDialog::getSaveFileName(OwnerWidget(owner), ToQ(caption), ToQ(path), ToQtFileFilter(filter));
  if (name.isEmpty()) return false;
  path = name.toStdWString();
  return true;
}

bool TQtUserInteraction::CopyToClipboard(const std::wstring& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setText(ToQ(text));
  return clipboard->text() == ToQ(text);
}

QString ToQtFileFilter(const std::wstring& filter) {
  const QStringList parts = ToQ(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QLatin1String(" (") + patterns.simplified() + QLatin1Char(')');
  }
  return filters.join(QLatin1String(";;"));
}

// ---------------------------------------------------------------------------------------
// Settings

TQtSettings::TQtSettings() : settings_(QStringLiteral("Quor"), QStringLiteral("Tellam")) {}

TQtSettings::TQtSettings(const QString& fileName) : settings_(fileName, QSettings::IniFormat) {}

bool TQtSettings::GetOption(const std::wstring& name) const {
  std::lock_guard lock(mutex_);
  return settings_.value(QLatin1String(kOptionsGroup) + ToQ(name), false).toBool();
}

void TQtSettings::SetOption(const std::wstring& name, bool on) {
  std::lock_guard lock(mutex_);
  if (on)
    settings_.setValue(QLatin1String(kOptionsGroup) + ToQ(name), true);
  else
    settings_.remove(QLatin1String(kOptionsGroup) + ToQ(name));
}

std::optional<std::wstring> TQtSettings::GetValue(const std::wstring& key) const {
  std::lock_guard lock(mutex_);
  const QVariant value = settings_.value(ToQ(key));
  if (!value.isValid()) return std::nullopt;
  return value.toString().toStdWString();
}

void TQtSettings::SetValue(const std::wstring& key, const std::wstring& value) {
  std::lock_guard lock(mutex_);
  settings_.setValue(ToQ(key), ToQ(value));
}

void TQtSettings::Sync() {
  std::lock_guard lock(mutex_);
  settings_.sync();
}

namespace {
// Worker threads reach the UI thread through the application's event loop.
class TQtMainThreadQueue : public IMainThreadQueue {
 public:
  void Post(std::function<void()> call) override {
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
  }
};
}  // namespace

void InstallQtPorts() {
  SetUserInteraction(std::make_shared<TQtUserInteraction>());
  SetMainThreadQueue(std::make_unique<TQtMainThreadQueue>());
  CDiagramControl::SetColorMapEditor([](TQuorSpectrumSeries* series, SColorMapSettings& settings,
                                         const CDiagramControl::ColorMapPreview& preview) {
    if (!TQtUserInteraction::Interactive()) return false;
    TQuorSpectrumControlForm form(series, &settings, QApplication::activeWindow(), preview);
    return form.exec() == QDialog::Accepted;
  });
  // A math trace's expression is edited in its dialog, over the preset file of the user.
  CTraceMath::SetExpressionEditor([](CTraceMath* math) {
    auto* diagram = dynamic_cast<CDiagram*>(math->GetDiagram());
    if (diagram == nullptr || !TQtUserInteraction::Interactive()) return false;
    CMathPresets presets;
    TTraceMathPresets dialog(math, diagram, &presets, QApplication::activeWindow());
    return dialog.ShowModalEx() == QDialog::Accepted;
  });
  SetSettings(std::make_shared<TQtSettings>());
  SetMarkerForms(std::make_shared<TQtMarkerForms>());
}
