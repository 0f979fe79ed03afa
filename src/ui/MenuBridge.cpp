#include "ui/MenuBridge.h"

#include <QKeySequence>
#include <QMenu>

#include "core/MenuModel.h"

void FillQMenu(QMenu* target, const CMenuItem& source) {
  for (int i = 0; i < source.Count(); ++i) {
    CMenuItem* item = source.Item(i);
    if (item == nullptr || !item->GetVisible()) continue;
    if (item->IsSeparator()) {
      target->addSeparator();
      continue;
    }
    QString caption = QString::fromStdWString(item->GetCaption());
    if (item->Count() > 0) {
      QMenu* sub = target->addMenu(caption);
      sub->setEnabled(item->GetEnabled());
      FillQMenu(sub, *item);
      continue;
    }
    // Text after a tab is shown as the shortcut column without claiming the key.
    if (!item->GetShortCut().empty())
      caption += QLatin1Char('\t') +
                 QKeySequence(QString::fromStdWString(item->GetShortCut())).toString(QKeySequence::NativeText);
    QAction* action = target->addAction(caption);
    action->setEnabled(item->GetEnabled());
    if (item->GetChecked()) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    QObject::connect(action, &QAction::triggered, target, [item] { item->Click(); });
  }
}

QMenu* PopupMenuModel(CPopupMenu& menu, QWidget* parent, const QPoint& global) {
  menu.Popup();
  auto* shown = new QMenu(parent);
  shown->setAttribute(Qt::WA_DeleteOnClose);
  FillQMenu(shown, menu.Items());
  shown->popup(global);
  return shown;
}
