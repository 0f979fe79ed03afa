#pragma once
// Pictures of a diagram: a PNG image, an SVG or PDF vector picture, and an image on the
// clipboard. The diagram draws itself at the picture's size through the same canvas as on
// screen, so a picture shows what the window shows, in the colours and with the axis
// bindings of the diagram's picture options (black and white, axes unbound).
#include <string>

#include <QImage>

class CDiagram;
class QWidget;

// The diagram drawn into an image of `width` × `height` pixels.
QImage DiagramImage(CDiagram& diagram, int width, int height);
// Writes a picture by the file's extension: ".png", ".svg" (vector) or ".pdf" (vector). The
// file is replaced atomically: a picture that cannot be written leaves no partial file and
// is reported to the operator. False then.
bool SaveDiagramPicture(CDiagram& diagram, const std::wstring& path, int width, int height);
// Asks for a file name (through the user-interaction port) and saves the picture there at
// the diagram's size on screen.
bool AskAndSaveDiagramPicture(CDiagram& diagram);
// Puts an image of the diagram at its size on screen on the clipboard.
void CopyDiagramPicture(CDiagram& diagram);
