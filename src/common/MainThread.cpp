#include "common/MainThread.h"

#include <mutex>

namespace {
std::mutex g_mutex;
std::unique_ptr<IMainThreadQueue> g_queue;
}  // namespace

void SetMainThreadQueue(std::unique_ptr<IMainThreadQueue> queue) {
  std::lock_guard lock(g_mutex);
  g_queue = std::move(queue);
}

void PostToMainThread(std::function<void()> call) {
  std::lock_guard lock(g_mutex);
  if (g_queue != nullptr) g_queue->Post(std::move(call));
}
