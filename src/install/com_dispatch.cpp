#include "install/com_dispatch.h"

#include <oleauto.h>

namespace orvane {
namespace {

HRESULT MemberId(IDispatch* object, const wchar_t* name, DISPID* id) {
  std::wstring writable(name);
  LPOLESTR names[] = {writable.data()};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

}  // namespace

UniqueVariant UniqueVariant::Text(std::wstring_view text) {
  UniqueVariant variant;
  variant.value_.vt = VT_BSTR;
  variant.value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return variant;
}

UniqueVariant UniqueVariant::Integer(int32_t number) {
  UniqueVariant variant;
  variant.value_.vt = VT_I4;
  variant.value_.lVal = number;
  return variant;
}

ComRef<IDispatch> UniqueVariant::Object() const {
  if (value_.vt != VT_DISPATCH || !value_.pdispVal) return {};
  value_.pdispVal->AddRef();
  return ComRef<IDispatch>(value_.pdispVal);
}

std::wstring WideFromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

ComRef<IDispatch> CreateDispatchObject(const CLSID& classId) {
  IDispatch* object = nullptr;
  if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&object)))) {
    return {};
  }
  return ComRef<IDispatch>(object);
}

HRESULT CallByName(IDispatch* object, const wchar_t* name, VARIANT* argument,
                   UniqueVariant* result) {
  if (!object) return E_POINTER;
  DISPID id = 0;
  HRESULT status = MemberId(object, name, &id);
  if (FAILED(status)) return status;
  DISPPARAMS parameters{argument, nullptr, argument ? 1u : 0u, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                        result ? result->get() : nullptr, nullptr, nullptr);
}

HRESULT PutByName(IDispatch* object, const wchar_t* name, VARIANT* value) {
  if (!object) return E_POINTER;
  DISPID id = 0;
  HRESULT status = MemberId(object, name, &id);
  if (FAILED(status)) return status;
  DISPID namedPut = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{value, &namedPut, 1, 1};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &parameters,
                        nullptr, nullptr, nullptr);
}

}  // namespace orvane
