// Watches the wizard of this process from a second thread while the
// install runs on the first: notes every status line it shows and every
// message box, saves a screenshot at each, and answers each box with OK.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane::qq_test {

struct SeenBox {
  std::string caption;
  std::string text;
};

class InstallObserver {
 public:
  // Screenshots go to screenshots\qqgame\<name>-<n>-<what>.png.
  InstallObserver(HWND wizard, std::string name);
  InstallObserver(const InstallObserver&) = delete;
  InstallObserver& operator=(const InstallObserver&) = delete;
  ~InstallObserver();

  // Keeps this thread's windows served until the observer has ended: it
  // may be waiting on one of them.
  void Stop();
  std::vector<std::string> labels() const;
  std::vector<SeenBox> boxes() const;
  int screenshots() const { return screenshots_; }
  // Saves the wizard as it is now.
  void Screenshot(const std::string& what);

 private:
  void Run();

  HWND wizard_;
  std::string name_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::atomic<int> screenshots_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> labels_;
  std::vector<SeenBox> boxes_;
  std::thread thread_;
};

}  // namespace orvane::qq_test
