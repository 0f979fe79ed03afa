#pragma once
// The spectrum drawing thread: renders the sweep history into an image off the UI thread.
//
// The UI thread tells it what to draw (SetView, SetColorMap) and that data arrived
// (DataArrived); the thread wakes, renders at most once per kRenderIntervalMs, and hands the
// finished image over under its lock; the UI thread picks up the newest one in TakeImage
// without ever waiting for a render. A change of view or colour map makes the next render a
// full one; a new sweep alone scrolls the spectrogram by a row and draws that row.
// After handing an image over it calls the image callback (on the drawing thread); the
// series turns that into a repaint request on the UI thread.
#include <chrono>
#include <functional>

#include "chart/Image.h"
#include "common/Sync.h"
#include "series/ColorMap.h"
#include "series/SpectrumRender.h"
#include "series/SpectrumStorage.h"

class CDrawSpectrumThread : public CThreadObject {
 public:
  static constexpr int kRenderIntervalMs = 100;
  static constexpr unsigned kIdleWaitMs = 300;

  explicit CDrawSpectrumThread(const CStorage& storage) : storage_(storage) {}
  ~CDrawSpectrumThread() override;

  // UI thread.
  void SetView(const SSpectrumView& view);
  void SetColorMap(const SColorMapSettings& settings);
  void SetImageCallback(std::function<void()> callback);
  // Starts the thread when it is not running, and wakes it.
  void DataArrived();
  // The newest finished image, nullptr while there is none (nothing to draw). Valid until the
  // next call.
  const CImage* TakeImage();

  // One render on the calling thread, as the drawing thread does it (for tests and
  // measurements; not while the thread runs).
  CSpectrumRenderer::EResult RenderOnce();
  int RenderCount() const;

 protected:
  void Execute() override;

 private:
  const CStorage& storage_;
  // Guarded by the object's lock.
  SSpectrumView view_;
  SColorMapSettings colorSettings_;
  long long settingsSerial_ = 0;
  std::function<void()> onImage_;
  CImage ready_;
  bool fresh_ = false;
  int renders_ = 0;
  // UI thread only.
  CImage shown_;
  // Drawing thread only.
  CSpectrumRenderer renderer_;
  CColorMap colors_;
  long long renderedSettings_ = -1;
  std::chrono::steady_clock::time_point lastRender_{};
};
