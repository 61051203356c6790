// ui-driver: drives the running wizard from the command line.
//
//   ui-driver [--pid N] [--timeout MS] COMMAND [COMMAND ...]
//
//   wait              wait until the wizard window is visible
//   list              print its controls: id, class, visible, enabled,
//                     x,y,w,h in client coordinates, text
//   click ID          click the button with that id
//   key NAME          press esc, tab, enter, space, or a virtual-key number
//   get ID            print the text of a control (0: the wizard's caption)
//   set ID TEXT       set the text of a control
//   msgbox [ID]       wait for a message box, print caption and text, and
//                     press its button ID when given
//   shot FILE.png     save a screenshot of the wizard
//   ready ID          wait until a control is visible and enabled
//   text ID TEXT      wait until a control's text is TEXT (0: the caption)
//   closed            wait until the wizard window is gone
//
// Texts are printed in the system code page. Exit code 0 when every
// command succeeded, 1 at the first that failed, 2 for a wrong command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "win/driver/ui_driver.h"

namespace {

using namespace orvane::driver;

int Usage() {
  std::fprintf(stderr,
               "usage: ui-driver [--pid N] [--timeout MS] wait|list|click ID|key NAME|get ID|"
               "set ID TEXT|ready ID|text ID TEXT|msgbox [ID]|shot FILE|closed ...\n");
  return 2;
}

bool ParseInt(const char* text, int* value) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 0);
  if (!text[0] || *end) return false;
  *value = static_cast<int>(v);
  return true;
}

UINT KeyByName(const std::string& name) {
  if (name == "esc" || name == "escape") return VK_ESCAPE;
  if (name == "tab") return VK_TAB;
  if (name == "enter" || name == "return") return VK_RETURN;
  if (name == "space") return VK_SPACE;
  int number = 0;
  return ParseInt(name.c_str(), &number) ? static_cast<UINT>(number) : 0;
}

int Fail(const char* what) {
  std::fprintf(stderr, "ui-driver: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  DWORD pid = 0;
  DWORD timeout = 20000;
  int i = 1;
  for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
    int value = 0;
    if (i + 1 >= argc || !ParseInt(argv[i + 1], &value)) return Usage();
    const std::string option = argv[i];
    if (option == "--pid") {
      pid = static_cast<DWORD>(value);
    } else if (option == "--timeout") {
      timeout = static_cast<DWORD>(value);
    } else {
      return Usage();
    }
  }
  if (i >= argc) return Usage();

  HWND wizard = nullptr;
  auto need_wizard = [&]() {
    if (!wizard || !IsWindow(wizard)) wizard = WaitForWizard(pid, timeout);
    return wizard != nullptr;
  };

  for (; i < argc; ++i) {
    const std::string command = argv[i];
    int id = 0;
    if (command == "wait") {
      if (!need_wizard()) return Fail("no wizard window");
    } else if (command == "list") {
      if (!need_wizard()) return Fail("no wizard window");
      for (const ControlInfo& c : ListControls(wizard)) {
        std::printf("%d\t%s\t%d\t%d\t%ld,%ld,%ld,%ld\t%s\n", c.id, c.className.c_str(),
                    c.visible ? 1 : 0, c.enabled ? 1 : 0, c.rect.left, c.rect.top,
                    c.rect.right - c.rect.left, c.rect.bottom - c.rect.top, c.text.c_str());
      }
    } else if (command == "click" && i + 1 < argc && ParseInt(argv[i + 1], &id)) {
      ++i;
      if (!need_wizard() || !ClickButton(wizard, id)) return Fail("click failed");
    } else if (command == "key" && i + 1 < argc) {
      const UINT key = KeyByName(argv[++i]);
      if (!key) return Usage();
      if (!need_wizard() || !SendKey(wizard, key)) return Fail("key failed");
    } else if (command == "get" && i + 1 < argc && ParseInt(argv[i + 1], &id)) {
      ++i;
      if (!need_wizard()) return Fail("no wizard window");
      HWND target = id == 0 ? wizard : ControlById(wizard, id);
      if (!target) return Fail("no such control");
      std::printf("%s\n", GetText(target).c_str());
    } else if (command == "set" && i + 2 < argc && ParseInt(argv[i + 1], &id)) {
      const std::string text = argv[i + 2];
      i += 2;
      if (!need_wizard()) return Fail("no wizard window");
      HWND target = ControlById(wizard, id);
      if (!target || !SetText(target, text)) return Fail("set failed");
    } else if (command == "msgbox") {
      MessageBoxInfo box;
      if (!WaitForMessageBox(pid, timeout, &box)) return Fail("no message box");
      std::printf("caption: %s\ntext: %s\n", box.caption.c_str(), box.text.c_str());
      if (i + 1 < argc && ParseInt(argv[i + 1], &id)) {
        ++i;
        if (!PressMessageBoxButton(box, id)) return Fail("no such button");
        if (!WaitForWindowGone(box.window, timeout)) return Fail("message box stayed open");
      }
    } else if (command == "shot" && i + 1 < argc) {
      if (!need_wizard() || !SaveScreenshot(wizard, argv[++i])) return Fail("screenshot failed");
    } else if (command == "ready" && i + 1 < argc && ParseInt(argv[i + 1], &id)) {
      ++i;
      if (!need_wizard() || !WaitForControlReady(wizard, id, timeout)) {
        return Fail("control not ready");
      }
    } else if (command == "text" && i + 2 < argc && ParseInt(argv[i + 1], &id)) {
      const std::string text = argv[i + 2];
      i += 2;
      if (!need_wizard() || !WaitForControlText(wizard, id, text, timeout)) {
        return Fail("text not reached");
      }
    } else if (command == "closed") {
      if (wizard == nullptr) wizard = WaitForWizard(pid, 0);
      if (wizard && !WaitForWindowGone(wizard, timeout)) return Fail("wizard still open");
    } else {
      return Usage();
    }
    std::fflush(stdout);
  }
  return 0;
}
