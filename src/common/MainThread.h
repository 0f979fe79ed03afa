#pragma once
// The main-thread port: lets a worker thread have something done on the UI thread later
// (the spectrum drawing thread asks for a repaint this way). Post is safe from any thread;
// the call runs on the UI thread, after Post has returned, or never when no host runs one.
//
// A posted call must not assume its objects still exist: capture a weak_ptr of a token the
// object owns and check it first (the object goes away on the UI thread, so the check holds
// for the whole call).
//
// The headless default drops calls: without a UI there is nothing to repaint. The Qt layer
// posts to the application's event loop (ui/QtPorts.cpp).
#include <functional>
#include <memory>

class IMainThreadQueue {
 public:
  virtual ~IMainThreadQueue() = default;
  virtual void Post(std::function<void()> call) = 0;
};

// Installs the process's queue (nullptr: the headless default). Install before any worker
// thread can post.
void SetMainThreadQueue(std::unique_ptr<IMainThreadQueue> queue);
void PostToMainThread(std::function<void()> call);
