#pragma once
// The images and styles the diagrams' menus and tool bars share: image lists of 16, 24 and
// 32 pixels (with disabled variants for tool bars), rendered from the SVG drawings in
// ui/icons (compiled into the library as resources), and the style sheets of menus and
// tool bars. One module serves an area and every page and host window that asks for it.
//
// Adding an image:
// 1. Draw it as a 24 × 24 SVG in src/ui/icons/ (plain shapes, no text: it is shown at 16
//    and 32 pixels too) and list it in the resources of src/CMakeLists.txt.
// 2. Add its index before iiCount below and its file name to kImageFiles in the .cpp, in
//    the same position: indices are what menus and tool bars store.
// 3. tests/ui/DiagramDataModule_test.cpp renders every image at every size; it fails for
//    a missing or unreadable file.
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <map>
#include <vector>

class QMenu;
class QToolBar;

enum EImageIndex : int {
  iiTraceAdd,
  iiTraceDelete,
  iiMemory,
  iiMath,
  iiMarker,
  iiMarkerDelta,
  iiAutoScale,
  iiZoomIn,
  iiZoomOut,
  iiProperties,
  iiOpen,
  iiSave,
  iiCount
};

class TDiagramDataModule {
 public:
  // `largeIcons`: tool bars take the 32-pixel images (the per-user "LargeIcons" setting,
  // and always in touch mode).
  explicit TDiagramDataModule(bool largeIcons = false);

  // The named image lists: "ImageList" and "TBImageList" (16 px; the latter on a white
  // background), "ImageList_1" and "TBImages" (24 px), "TBImagesDisabled" (24 px, greyed),
  // "ImageList32" and "TBImages32" (32 px), "TBImages32Disabled". An unknown name gives an
  // empty list.
  const std::vector<QPixmap>& ImageList(const QString& name) const;
  // Every size of one image, with its disabled look, for actions; null out of range.
  QIcon Icon(int index) const;
  static int ImageCount() { return iiCount; }

  bool LargeIcons() const { return largeIcons_; }
  int ToolBarIconSize() const { return largeIcons_ ? 32 : 24; }
  int MenuIconSize() const { return 16; }

  // The style of menus and tool bars (a light blue office look).
  static QString MenuStyleSheet();
  static QString ToolBarStyleSheet();
  void StyleMenu(QMenu* menu) const;
  void StyleToolBar(QToolBar* bar) const;

 private:
  bool largeIcons_;
  std::map<QString, std::vector<QPixmap>> lists_;
  std::vector<QIcon> icons_;
};
