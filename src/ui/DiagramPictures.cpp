#include "ui/DiagramPictures.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "common/AtomicFile.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "core/DiagCommonLib.h"
#include "diagram/Diagram.h"
#include "ui/QPainterCanvas.h"

namespace {

std::wstring Extension(const std::wstring& path) {
  const std::size_t dot = path.find_last_of(L'.');
  const std::size_t slash = path.find_last_of(L'/');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
  return ToLowerText(path.substr(dot + 1));
}

// With the colours and axis bindings the operator chose for the diagram's pictures.
void Draw(CDiagram& diagram, QPainter& painter, int width, int height) {
  QPainterCanvas canvas(painter);
  const CDiagram::SPictureOptions& options = diagram.GetPictureOptions();
  diagram.CreateMetafile(canvas, width, height, options.colourMode, true, true, options.liftAxisBindings);
}

bool Report(const std::wstring& path) {
  std::wstring text = Tr("Рисунок не удалось сохранить в файл %0.");
  ReplaceString(text, L"%0", path);
  QuorMessageBox(nullptr, text, Tr("Ошибка сохранения рисунка"), MB_OK | MB_ICONERROR);
  return false;
}

}  // namespace

QImage DiagramImage(CDiagram& diagram, int width, int height) {
  QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  Draw(diagram, painter, width, height);
  return image;
}

bool SaveDiagramPicture(CDiagram& diagram, const std::wstring& path, int width, int height) {
  if (width <= 0 || height <= 0) return Report(path);
  const std::wstring ext = Extension(path);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  bool drawn = false;
  if (ext == L"png") {
    drawn = DiagramImage(diagram, width, height).save(&buffer, "PNG");
  } else if (ext == L"svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QString::fromStdWString(diagram.GetName()));
    QPainter painter;
    drawn = painter.begin(&svg);
    if (drawn) {
      Draw(diagram, painter, width, height);
      drawn = painter.end();
    }
  } else if (ext == L"pdf") {
    QPdfWriter pdf(&buffer);
    pdf.setResolution(72);  // one point a pixel
    pdf.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
    pdf.setPageMargins(QMarginsF());
    pdf.setTitle(QString::fromStdWString(diagram.GetName()));
    QPainter painter;
    drawn = painter.begin(&pdf);
    if (drawn) {
      Draw(diagram, painter, width, height);
      drawn = painter.end();
    }
  }
  buffer.close();
  CAtomicFile file;
  if (!drawn || !file.Open(WideToUtf8(path)) || !file.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())) ||
      !file.Commit())
    return Report(path);
  return true;
}

bool AskAndSaveDiagramPicture(CDiagram& diagram) {
  std::wstring path;
  if (!UserInteraction().SaveFileName(
          nullptr, Tr("Сохранить рисунок"),
          Tr("Рисунок PNG (*.png)|*.png|Векторный рисунок SVG (*.svg)|*.svg|Документ PDF (*.pdf)|*.pdf"), path))
    return false;
  if (Extension(path).empty()) path += L".png";
  const SRect& r = diagram.GetBounds();
  return SaveDiagramPicture(diagram, path, r.Width(), r.Height());
}

void CopyDiagramPicture(CDiagram& diagram) {
  const SRect& r = diagram.GetBounds();
  QGuiApplication::clipboard()->setImage(DiagramImage(diagram, r.Width(), r.Height()));
}
