#include "wizard/control_record.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/number.h"
#include "base/text.h"
#include "startup/process_values.h"
#include "wizard/layout.h"

namespace orvane {

namespace {

void SetTagProperty(HWND window, const char* name, std::string_view text) {
  if (!IsWindow(window)) return;
  if (HANDLE old = RemovePropA(window, name)) HeapFree(GetProcessHeap(), 0, old);
  const bool endsInNul = !text.empty() && text.back() == '\0';
  const size_t bytes = text.size() + (endsInNul ? 0 : 1);
  auto* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
  if (!copy) return;
  memcpy(copy, text.data(), text.size());
  SetPropA(window, name, copy);
}

void FreeTagProperty(HWND window, const char* name) {
  if (HANDLE old = RemovePropA(window, name)) HeapFree(GetProcessHeap(), 0, old);
}

COLORREF Resolve(COLORREF value, bool isSystemIndex) {
  return isSystemIndex ? GetSysColor(static_cast<int>(value)) : value;
}

// The form that owns a control: its parent, or the grandparent when the
// parent is itself a child window.
HWND FormOfControl(HWND control) {
  HWND parent = GetParent(control);
  if (parent && (GetWindowLongA(parent, GWL_STYLE) & WS_CHILD)) parent = GetParent(parent);
  return parent;
}

// The records also live in a table of this process. The common control
// procedure looks its record up for every message, and under Wine each
// GetPropA is a round trip to the window server: a progress bar moved for
// each block of an extraction paid thousands of them. Records are only made
// and freed below, so the table answers for every window; the property is
// still set for whoever reads it.
class RecordTable {
 public:
  ControlRecord* Find(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = Position(window);
    return found == entries_.end() ? nullptr : found->second;
  }
  void Put(HWND window, ControlRecord* record) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = Position(window);
    if (found == entries_.end()) {
      entries_.emplace_back(window, record);
    } else {
      found->second = record;
    }
  }
  void Remove(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = Position(window);
    if (found != entries_.end()) entries_.erase(found);
  }

 private:
  using Entry = std::pair<HWND, ControlRecord*>;
  std::vector<Entry>::iterator Position(HWND window) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [window](const Entry& entry) { return entry.first == window; });
  }

  std::mutex mutex_;
  std::vector<Entry> entries_;  // a wizard has a few dozen windows
};

RecordTable& Records() {
  static RecordTable table;
  return table;
}

}  // namespace

ControlRecord* RecordOf(HWND window) {
  return window ? Records().Find(window) : nullptr;
}

ControlRecord* AllocateRecord(HWND window) {
  auto* record = static_cast<ControlRecord*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ControlRecord)));
  if (!record) return nullptr;
  if (!SetPropA(window, kRecordProperty, record)) {
    HeapFree(GetProcessHeap(), 0, record);
    return nullptr;
  }
  Records().Put(window, record);
  return record;
}

void FreeRecord(HWND window, ControlRecord* record) {
  if (!record) return;
  Records().Remove(window);
  if (record->backgroundBrush) DeleteObject(record->backgroundBrush);
  if (record->font) DeleteObject(record->font);
  HeapFree(GetProcessHeap(), 0, record);
  RemovePropA(window, kRecordProperty);
}

HFONT MakeFontFromSpec(std::string_view fontSpec) {
  const std::vector<std::string> fields = SplitAt(fontSpec, ',');
  if (fields.size() < 3) return nullptr;
  const int points = ReadRoundedInt(fields[1]);
  const int style = ReadRoundedInt(fields[2]);

  HDC screen = GetDC(nullptr);
  const int logX = GetDeviceCaps(screen, LOGPIXELSX);
  const int logY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  LOGFONTW font{};
  font.lfHeight = FontHeightForPoints(points, logX, logY);
  font.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (style & 2) ? TRUE : FALSE;
  font.lfUnderline = (style & 4) ? TRUE : FALSE;
  font.lfStrikeOut = (style & 8) ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  wchar_t face[LF_FACESIZE] = {};
  const int written = MultiByteToWideChar(CP_ACP, 0, fields[0].data(),
                                          static_cast<int>(fields[0].size()), face, LF_FACESIZE);
  face[written > 0 && written < LF_FACESIZE ? written : LF_FACESIZE - 1] = L'\0';
  wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectW(&font);
}

ControlRecord* AttachControlRecord(HWND control, std::string_view fontSpec, int32_t index,
                                   const ColourRequest& colours) {
  ControlRecord* record = AllocateRecord(control);
  if (!record) return nullptr;
  record->previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CommonControlProc)));
  if (HFONT font = MakeFontFromSpec(fontSpec)) {
    record->font = font;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  record->index = index;
  record->owner = control;
  record->coloursOn = colours.on;
  if (colours.on) {
    record->textIsSystemColour = colours.textIsSystem;
    record->backgroundIsSystemColour = colours.backgroundIsSystem;
    record->textColour = colours.text;
    record->backgroundColour = colours.background;
    record->backgroundBrush = colours.backgroundIsSystem
                                  ? GetSysColorBrush(static_cast<int>(colours.background))
                                  : CreateSolidBrush(colours.background);
  }
  return record;
}

HBRUSH ControlColours(HDC dc, HWND control) {
  ControlRecord* record = RecordOf(control);
  if (!record) record = RecordOf(GetFocus());
  if (!record || !record->coloursOn) return nullptr;
  SetTextColor(dc, Resolve(record->textColour, record->textIsSystemColour));
  SetBkColor(dc, Resolve(record->backgroundColour, record->backgroundIsSystemColour));
  char className[64] = {};
  GetClassNameA(control, className, sizeof className);
  if (EqualsIgnoreCaseAscii(className, "EDIT")) {
    SetBkMode(dc, OPAQUE);
    if (!IsWindowEnabled(control)) {
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return GetSysColorBrush(COLOR_BTNFACE);
    }
  } else {
    SetBkMode(dc, TRANSPARENT);
  }
  return record->backgroundBrush;
}

void RefreshSystemColours(HWND control) {
  ControlRecord* record = RecordOf(control);
  if (!record || !record->coloursOn || !record->backgroundIsSystemColour) return;
  // DeleteObject ignores system brushes, so this is safe for both kinds.
  if (record->backgroundBrush) DeleteObject(record->backgroundBrush);
  record->backgroundBrush = GetSysColorBrush(static_cast<int>(record->backgroundColour));
}

void SetTag(HWND window, std::string_view text) {
  SetTagProperty(window, kTagProperty, text);
}
void SetSecondTag(HWND window, std::string_view text) {
  SetTagProperty(window, kTagProperty2, text);
}
void FreeTags(HWND window) {
  FreeTagProperty(window, kTagProperty);
  FreeTagProperty(window, kTagProperty2);
}

LRESULT CALLBACK CommonControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlRecord* record = RecordOf(control);
  if (message == WM_DESTROY) {
    if (!record) return 0;
    const WNDPROC previous = record->previousProc;
    FreeRecord(control, record);
    FreeTags(control);
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    CallWindowProcA(previous, control, message, wParam, lParam);
    return 0;
  }
  if (!record) return DefWindowProcA(control, message, wParam, lParam);
  if (message == WM_SETFOCUS) {
    if (record->selectAllOnFocus) {
      SendMessageA(control, EM_SETSEL, 0, -1);
    } else {
      SendMessageA(control, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    }
    if (ControlRecord* form = RecordOf(FormOfControl(control))) form->lastFocusedChild = control;
  }
  return CallWindowProcA(record->previousProc, control, message, wParam, lParam);
}

}  // namespace orvane
