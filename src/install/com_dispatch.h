// Late-bound COM: objects created by class id and driven through IDispatch
// by member name, with owners for the interface pointers and VARIANTs.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace orvane {

// One reference to a COM interface, released once.
template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(Interface* pointer) : pointer_(pointer) {}
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComRef() { reset(); }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

// A VARIANT cleared (its string freed, its object released) on scope exit.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  UniqueVariant(UniqueVariant&& other) noexcept : value_(other.value_) {
    VariantInit(&other.value_);
  }
  UniqueVariant& operator=(UniqueVariant&&) = delete;
  ~UniqueVariant() { VariantClear(&value_); }

  static UniqueVariant Text(std::wstring_view text);
  static UniqueVariant Integer(int32_t number);

  VARIANT* get() { return &value_; }
  const VARIANT& value() const { return value_; }
  // The object it holds, with a reference of its own; empty otherwise.
  ComRef<IDispatch> Object() const;

 private:
  VARIANT value_;
};

// ANSI (the system code page) to UTF-16.
std::wstring WideFromAnsi(std::string_view text);

// An in-process object of the class, asked for IDispatch; empty on failure.
ComRef<IDispatch> CreateDispatchObject(const CLSID& classId);

// object.name(argument) with at most one argument (null for none); the
// result goes to `result` when given.
HRESULT CallByName(IDispatch* object, const wchar_t* name, VARIANT* argument,
                   UniqueVariant* result);

// object.name = value
HRESULT PutByName(IDispatch* object, const wchar_t* name, VARIANT* value);

}  // namespace orvane
