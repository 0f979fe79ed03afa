#include "ui/DiagramDataModule.h"

#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QToolBar>

#include "common/Log.h"

namespace {

// In the order of EImageIndex.
constexpr const char* kImageFiles[iiCount] = {
    "trace_add", "trace_delete", "memory",   "math", "marker", "marker_delta",
    "autoscale", "zoom_in",      "zoom_out", "properties", "open", "save"};

QPixmap Render(QSvgRenderer& svg, int size, const QColor& background) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(background);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  svg.render(&painter, QRectF(0, 0, size, size));
  painter.end();
  return QPixmap::fromImage(image);
}

// Grey, lighter and with half the opacity: what a disabled tool button shows.
QPixmap Disabled(const QPixmap& source) {
  QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = 128 + qGray(line[x]) / 2;
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 2);
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

TDiagramDataModule::TDiagramDataModule(bool largeIcons) : largeIcons_(largeIcons) {
  std::vector<QPixmap>& list16 = lists_["ImageList"];
  std::vector<QPixmap>& tb16 = lists_["TBImageList"];
  std::vector<QPixmap>& list24 = lists_["ImageList_1"];
  std::vector<QPixmap>& tb24 = lists_["TBImages"];
  std::vector<QPixmap>& tb24Off = lists_["TBImagesDisabled"];
  std::vector<QPixmap>& list32 = lists_["ImageList32"];
  std::vector<QPixmap>& tb32 = lists_["TBImages32"];
  std::vector<QPixmap>& tb32Off = lists_["TBImages32Disabled"];
  for (int i = 0; i < iiCount; ++i) {
    const QString path = QStringLiteral(":/plotvane/icons/%1.svg").arg(QLatin1String(kImageFiles[i]));
    QSvgRenderer svg(path);
    if (!svg.isValid()) LogMessage(L"Control", L"image not found: " + path.toStdWString(), true);
    const QPixmap p16 = Render(svg, 16, Qt::transparent), p24 = Render(svg, 24, Qt::transparent),
                  p32 = Render(svg, 32, Qt::transparent);
    list16.push_back(p16);
    tb16.push_back(Render(svg, 16, Qt::white));
    list24.push_back(p24);
    tb24.push_back(p24);
    tb24Off.push_back(Disabled(p24));
    list32.push_back(p32);
    tb32.push_back(p32);
    tb32Off.push_back(Disabled(p32));
    QIcon icon;
    for (const QPixmap& p : {p16, p24, p32}) {
      icon.addPixmap(p, QIcon::Normal);
      icon.addPixmap(Disabled(p), QIcon::Disabled);
    }
    icons_.push_back(icon);
  }
}

const std::vector<QPixmap>& TDiagramDataModule::ImageList(const QString& name) const {
  static const std::vector<QPixmap> kNone;
  const auto it = lists_.find(name);
  return it != lists_.end() ? it->second : kNone;
}

QIcon TDiagramDataModule::Icon(int index) const {
  return index >= 0 && index < static_cast<int>(icons_.size()) ? icons_[static_cast<std::size_t>(index)] : QIcon();
}

QString TDiagramDataModule::MenuStyleSheet() {
  return QStringLiteral(
      "QMenu { background: #f5f8fc; border: 1px solid #8ba7cf; padding: 2px; }"
      "QMenu::item { padding: 4px 24px 4px 28px; border: 1px solid transparent; }"
      "QMenu::item:selected { background: #fce9a8; border: 1px solid #e5c365; color: black; }"
      "QMenu::item:disabled { color: #8d8d8d; }"
      "QMenu::separator { height: 1px; background: #c5d3e6; margin: 3px 4px 3px 28px; }"
      "QMenu::icon { padding-left: 4px; }");
}

QString TDiagramDataModule::ToolBarStyleSheet() {
  return QStringLiteral(
      "QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f3f7fc, stop:1 #dbe6f4);"
      " border-bottom: 1px solid #a0b7d6; spacing: 2px; padding: 1px; }"
      "QToolButton { border: 1px solid transparent; border-radius: 2px; padding: 2px; }"
      "QToolButton:hover { background: #fdeeb3; border: 1px solid #e5c365; }"
      "QToolButton:pressed, QToolButton:checked { background: #f8d66e; border: 1px solid #c29b29; }");
}

void TDiagramDataModule::StyleMenu(QMenu* menu) const {
  if (menu != nullptr) menu->setStyleSheet(MenuStyleSheet());
}

void TDiagramDataModule::StyleToolBar(QToolBar* bar) const {
  if (bar == nullptr) return;
  bar->setStyleSheet(ToolBarStyleSheet());
  bar->setIconSize(QSize(ToolBarIconSize(), ToolBarIconSize()));
}
