// RAII owners for Win32 handles: one owner per handle, closed exactly once.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <utility>

namespace orvane {

template <typename Traits>
class UniqueResource {
 public:
  using Handle = typename Traits::Handle;

  UniqueResource() = default;
  explicit UniqueResource(Handle h) : handle_(h) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueResource() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = h;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

#define ORVANE_HANDLE_TRAITS(Name, Type, InvalidValue, CloseCall) \
  struct Name {                                                   \
    using Handle = Type;                                          \
    static Handle Invalid() { return InvalidValue; }              \
    static bool IsValid(Handle h) { return h != Invalid(); }      \
    static void Close(Handle h) { CloseCall(h); }                 \
  }

ORVANE_HANDLE_TRAITS(KernelHandleTraits, HANDLE, nullptr, ::CloseHandle);
ORVANE_HANDLE_TRAITS(FileHandleTraits, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle);
ORVANE_HANDLE_TRAITS(GdiObjectTraits, HGDIOBJ, nullptr, ::DeleteObject);
ORVANE_HANDLE_TRAITS(MemoryDcTraits, HDC, nullptr, ::DeleteDC);
ORVANE_HANDLE_TRAITS(ModuleTraits, HMODULE, nullptr, ::FreeLibrary);
ORVANE_HANDLE_TRAITS(FindHandleTraits, HANDLE, INVALID_HANDLE_VALUE, ::FindClose);
#undef ORVANE_HANDLE_TRAITS

using UniqueHandle = UniqueResource<KernelHandleTraits>;    // events, threads, processes
using UniqueFile = UniqueResource<FileHandleTraits>;        // CreateFile, snapshots
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;    // fonts, bitmaps, brushes
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;      // CreateCompatibleDC
using UniqueModule = UniqueResource<ModuleTraits>;          // LoadLibrary
using UniqueFindHandle = UniqueResource<FindHandleTraits>;  // FindFirstFile

// A window's DC from GetDC, released with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC for one scope and puts the old one back.
class SelectInDc {
 public:
  SelectInDc(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectInDc(const SelectInDc&) = delete;
  SelectInDc& operator=(const SelectInDc&) = delete;
  ~SelectInDc() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// COM initialised for one scope on this thread.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(::CoInitialize(nullptr))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (ok_) ::CoUninitialize();
  }

 private:
  bool ok_;
};

}  // namespace orvane
