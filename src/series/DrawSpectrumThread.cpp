#include "series/DrawSpectrumThread.h"

#include <mutex>
#include <utility>

CDrawSpectrumThread::~CDrawSpectrumThread() { ThreadStop(); }

void CDrawSpectrumThread::SetView(const SSpectrumView& view) {
  {
    std::lock_guard lock(*this);
    if (view == view_) return;
    view_ = view;
  }
  if (Active()) ThreadWake();
}

void CDrawSpectrumThread::SetColorMap(const SColorMapSettings& settings) {
  {
    std::lock_guard lock(*this);
    colorSettings_ = settings;
    ++settingsSerial_;
  }
  if (Active()) ThreadWake();
}

void CDrawSpectrumThread::SetImageCallback(std::function<void()> callback) {
  std::lock_guard lock(*this);
  onImage_ = std::move(callback);
}

void CDrawSpectrumThread::DataArrived() {
  if (!Active()) ThreadStart();
  ThreadWake();
}

const CImage* CDrawSpectrumThread::TakeImage() {
  {
    std::lock_guard lock(*this);
    if (fresh_) {
      std::swap(ready_, shown_);
      fresh_ = false;
    }
  }
  return shown_.Empty() ? nullptr : &shown_;
}

int CDrawSpectrumThread::RenderCount() const {
  std::lock_guard lock(*this);
  return renders_;
}

CSpectrumRenderer::EResult CDrawSpectrumThread::RenderOnce() {
  SSpectrumView view;
  long long serial = 0;
  std::function<void()> callback;
  {
    std::lock_guard lock(*this);
    view = view_;
    serial = settingsSerial_;
    if (serial != renderedSettings_) colors_.Build(colorSettings_);
  }
  const bool full = serial != renderedSettings_;
  renderedSettings_ = serial;
  const CSpectrumRenderer::EResult result = renderer_.Render(storage_, view, colors_, full);
  if (result == CSpectrumRenderer::rrUnchanged) return result;
  {
    std::lock_guard lock(*this);
    // Copying into the buffer the UI handed back keeps its memory: no allocation per frame.
    if (result == CSpectrumRenderer::rrNothing)
      ready_.Resize(0, 0);
    else
      ready_ = renderer_.Image();
    fresh_ = true;
    ++renders_;
    callback = onImage_;
  }
  if (callback) callback();
  return result;
}

void CDrawSpectrumThread::Execute() {
  using Clock = std::chrono::steady_clock;
  while (!ThreadShouldStop()) {
    if (!ThreadWait(kIdleWaitMs)) continue;
    // Throttle: wakes that come sooner than the interval wait for it, and are served together.
    for (;;) {
      const auto due = lastRender_ + std::chrono::milliseconds(kRenderIntervalMs);
      const auto now = Clock::now();
      if (now >= due || ThreadShouldStop()) break;
      ThreadWait(static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count()) + 1);
    }
    if (ThreadShouldStop()) break;
    lastRender_ = Clock::now();
    RenderOnce();
  }
}
