#include "install/file_system_object.h"

#include <objbase.h>

#include <vector>

namespace orvane {

namespace {

const CLSID kFileSystemObjectClsid = {
    0x0D43FE01, 0xF093, 0x11CF, {0x89, 0x40, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};

// A BSTR from GBK text, freed with the scope.
class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    value_ = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (value_ && n > 0) {
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), value_, n);
    }
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(value_); }
  BSTR get() const { return value_; }

 private:
  BSTR value_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }
  VARIANT* get() { return &value_; }
  VARIANT& operator*() { return value_; }

 private:
  VARIANT value_;
};

// Calls a member of an IDispatch by name; arguments in natural order.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
               VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                        nullptr);
}

}  // namespace

FileSystemObject::FileSystemObject() {
  const HRESULT init = CoInitialize(nullptr);
  uninitialise_ = init == S_OK || init == S_FALSE;
  if (FAILED(CoCreateInstance(kFileSystemObjectClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&object_)))) {
    object_ = nullptr;
  }
}

FileSystemObject::~FileSystemObject() {
  if (object_) object_->Release();
  if (uninitialise_) CoUninitialize();
}

double FileSystemObject::DriveFreeSpace(const std::string& drive) {
  if (!object_) return 0;
  Bstr name(drive);
  VARIANT arg;
  arg.vt = VT_BSTR;
  arg.bstrVal = name.get();
  Variant driveObject;
  // A missing drive fails here (DISP_E_EXCEPTION): check the HRESULT.
  if (FAILED(Invoke(object_, L"GetDrive", DISPATCH_METHOD, {arg}, driveObject.get())) ||
      (*driveObject).vt != VT_DISPATCH || !(*driveObject).pdispVal) {
    return 0;
  }
  Variant space;
  if (FAILED(
          Invoke((*driveObject).pdispVal, L"FreeSpace", DISPATCH_PROPERTYGET, {}, space.get()))) {
    return 0;
  }
  Variant asDouble;
  if (FAILED(VariantChangeType(asDouble.get(), space.get(), 0, VT_R8))) return 0;
  return (*asDouble).dblVal;
}

void FileSystemObject::DeleteFolderTree(const std::string& path) {
  if (!object_) return;
  Bstr name(path);
  VARIANT folder;
  folder.vt = VT_BSTR;
  folder.bstrVal = name.get();
  VARIANT force;
  force.vt = VT_BOOL;
  force.boolVal = VARIANT_FALSE;
  Variant ignored;
  Invoke(object_, L"DeleteFolder", DISPATCH_METHOD, {folder, force}, ignored.get());
}

}  // namespace orvane
