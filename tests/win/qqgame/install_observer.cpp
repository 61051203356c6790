#include "win/qqgame/install_observer.h"

#include "win/driver/ui_driver.h"
#include "win/qqgame/qq_test_support.h"
#include "wizard/controls.h"

namespace orvane::qq_test {

InstallObserver::InstallObserver(HWND wizard, std::string name)
    : wizard_(wizard), name_(std::move(name)), thread_([this] { Run(); }) {}

InstallObserver::~InstallObserver() {
  Stop();
}

void InstallObserver::Stop() {
  stop_ = true;
  while (thread_.joinable() && !finished_) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  if (thread_.joinable()) thread_.join();
}

std::vector<std::string> InstallObserver::labels() const {
  std::lock_guard lock(mutex_);
  return labels_;
}

std::vector<SeenBox> InstallObserver::boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

void InstallObserver::Screenshot(const std::string& what) {
  const std::string folder = BuildFolder() + "\\screenshots\\qqgame\\";
  MakeFolders(folder);
  const int n = ++screenshots_;
  driver::SaveScreenshot(wizard_, folder + name_ + "-" + std::to_string(n) + "-" + what + ".png");
}

void InstallObserver::Run() {
  HWND answered = nullptr;
  std::string last;
  std::string lastKind;
  while (!stop_) {
    driver::MessageBoxInfo box;
    if (driver::WaitForMessageBox(GetCurrentProcessId(), 1, &box) && box.window != answered) {
      {
        std::lock_guard lock(mutex_);
        boxes_.push_back({box.caption, box.text});
      }
      const std::string folder = BuildFolder() + "\\screenshots\\qqgame\\";
      MakeFolders(folder);
      driver::SaveScreenshot(box.window, folder + name_ + "-box.png");
      answered = box.window;
      driver::PressMessageBoxButton(box, IDOK);
    }
    DWORD_PTR length = 0;
    char text[512] = {};
    // A timed send: the install thread may be busy for a moment.
    if (IsWindow(ProgressLabel) &&
        SendMessageTimeoutA(ProgressLabel, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_NORMAL, 500, &length)) {
      const std::string label(text);
      if (label != last) {
        last = label;
        {
          std::lock_guard lock(mutex_);
          labels_.push_back(label);
        }
        // One screenshot per kind of status: the copy renames its line
        // for every few files.
        const std::string kind = label.substr(0, 6);
        if (kind != lastKind) Screenshot("label");
        lastKind = kind;
      }
    }
    Sleep(15);
  }
  finished_ = true;
}

}  // namespace orvane::qq_test
