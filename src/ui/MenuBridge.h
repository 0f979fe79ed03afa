#pragma once
// Engine menus (core/MenuModel.h) shown as Qt menus. Shortcuts are shown beside the captions
// but not registered by the menus: the area registers every shortcut once, so that they
// work whether a menu was ever opened or not, and no key is claimed twice.
#include <QPoint>

class CMenuItem;
class CPopupMenu;
class QMenu;
class QWidget;

// Adds the sub-items of `source` to `target`; choosing an action runs the item's Click().
// The engine items must live while the Qt menu shows.
void FillQMenu(QMenu* target, const CMenuItem& source);
// Pops `menu` up at a global position, as a Qt menu that deletes itself when closed.
QMenu* PopupMenuModel(CPopupMenu& menu, QWidget* parent, const QPoint& global);
