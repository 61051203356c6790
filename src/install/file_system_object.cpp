#include "install/file_system_object.h"

#include <objbase.h>

#include <vector>

namespace orvane {

namespace {

const CLSID kFileSystemObjectClsid = {
    0x0D43FE01, 0xF093, 0x11CF, {0x89, 0x40, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};

// object.name(arguments...) or a property get, arguments in natural order.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> arguments,
               UniqueVariant* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  const HRESULT found = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(found)) return found;
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result->get(), nullptr,
                        nullptr);
}

}  // namespace

FileSystemObject::FileSystemObject() {
  const HRESULT init = CoInitialize(nullptr);
  uninitialise_ = init == S_OK || init == S_FALSE;
  object_ = CreateDispatchObject(kFileSystemObjectClsid);
}

FileSystemObject::~FileSystemObject() {
  object_.reset();
  if (uninitialise_) CoUninitialize();
}

double FileSystemObject::DriveFreeSpace(const std::string& drive) {
  if (!object_) return 0;
  UniqueVariant name = UniqueVariant::Text(WideFromAnsi(drive));
  UniqueVariant driveObject;
  // A missing drive fails here (DISP_E_EXCEPTION): the HRESULT tells.
  if (FAILED(Invoke(object_.get(), L"GetDrive", DISPATCH_METHOD, {*name.get()}, &driveObject))) {
    return 0;
  }
  ComRef<IDispatch> driveDispatch = driveObject.Object();
  if (!driveDispatch) return 0;
  UniqueVariant space;
  if (FAILED(Invoke(driveDispatch.get(), L"FreeSpace", DISPATCH_PROPERTYGET, {}, &space))) {
    return 0;
  }
  UniqueVariant asDouble;
  if (FAILED(VariantChangeType(asDouble.get(), space.get(), 0, VT_R8))) return 0;
  return asDouble.value().dblVal;
}

void FileSystemObject::DeleteFolderTree(const std::string& path) {
  if (!object_) return;
  UniqueVariant folder = UniqueVariant::Text(WideFromAnsi(path));
  VARIANT force;
  VariantInit(&force);
  force.vt = VT_BOOL;
  force.boolVal = VARIANT_FALSE;
  UniqueVariant ignored;
  Invoke(object_.get(), L"DeleteFolder", DISPATCH_METHOD, {*folder.get(), force}, &ignored);
}

}  // namespace orvane
