// The record the form framework keeps with every window (the wizard and
// each control) under the window property FLY_PTR, and the operations on
// it: attaching, fonts from a font spec, the colour rule, the common
// control procedure, tag properties.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace orvane {

inline constexpr const char* kRecordProperty = "FLY_PTR";
inline constexpr const char* kTagProperty = "FLY_TAGPROPERTY";
inline constexpr const char* kTagProperty2 = "FLY_TAGPROPERTY2";

struct LayoutAnchor {
  BOOL captured;
  RECT parentClient;
  RECT atCapture;
  char text[31];  // at most 30 bytes
};

// Zero-filled from the process heap; owned by its window.
struct ControlRecord {
  WNDPROC previousProc;
  HWND owner;
  HWND disabledOwner;
  BOOL modal;
  HFONT font;
  HACCEL accelerators;
  UINT_PTR threadTimer;
  int32_t index;
  HWND lastFocusedChild;
  BOOL selectAllOnFocus;
  BOOL coloursOn;
  BOOL textIsSystemColour;
  BOOL backgroundIsSystemColour;
  HBRUSH backgroundBrush;
  COLORREF textColour;        // or a COLOR_* index
  COLORREF backgroundColour;  // or a COLOR_* index
  LayoutAnchor anchor;
};

ControlRecord* RecordOf(HWND window);

// Allocates a zero-filled record from the process heap and stores it under
// FLY_PTR. Frees it again with FreeRecord.
ControlRecord* AllocateRecord(HWND window);
void FreeRecord(HWND window, ControlRecord* record);

struct ColourRequest {
  bool on = false;
  bool textIsSystem = false;
  bool backgroundIsSystem = false;
  COLORREF text = 0;
  COLORREF background = 0;
};

// Attaches a record to a control: subclassing with the common control
// procedure, the font of `fontSpec`, the index and the colours (a brush is
// made from the background). Returns null when the heap is exhausted.
ControlRecord* AttachControlRecord(HWND control, std::string_view fontSpec, int32_t index,
                                   const ColourRequest& colours);

// A font from "face,size,style" (style bits: 1 bold, 2 italic, 4 underline,
// 8 strike-out); null when it cannot be made.
HFONT MakeFontFromSpec(std::string_view fontSpec);

// The colour rule for WM_CTLCOLOR*: the brush to answer, or null when the
// default window procedure should answer.
HBRUSH ControlColours(HDC dc, HWND control);

// Takes fresh system-colour brushes after a colour or theme change.
void RefreshSystemColours(HWND control);

// FLY_TAGPROPERTY / FLY_TAGPROPERTY2: heap copies ending in a NUL.
void SetTag(HWND window, std::string_view text);
void SetSecondTag(HWND window, std::string_view text);
void FreeTags(HWND window);

LRESULT CALLBACK CommonControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orvane
