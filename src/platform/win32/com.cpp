// The few functions of ole32 and oleaut32 the program calls, looked up when
// first needed.
#include "platform/win32/com.h"

#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace rw::win32 {

namespace {

SystemLibrary& ole32() {
  static SystemLibrary library(L"ole32.dll");
  return library;
}

SystemLibrary& oleaut32() {
  static SystemLibrary library(L"oleaut32.dll");
  return library;
}

HRESULT last_error_as_hresult() {
  const DWORD error = ::GetLastError();
  return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_PROC_NOT_FOUND);
}

}  // namespace

HRESULT create_instance(REFCLSID class_id, REFIID interface_id, void** object) {
  using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  const auto call = ole32().function<CoCreateInstanceFn>("CoCreateInstance");
  if (call == nullptr) return last_error_as_hresult();
  return call(class_id, nullptr, CLSCTX_INPROC_SERVER, interface_id, object);
}

void free_task_memory(void* block) {
  using CoTaskMemFreeFn = void(WINAPI*)(LPVOID);
  if (block == nullptr) return;
  if (const auto call = ole32().function<CoTaskMemFreeFn>("CoTaskMemFree")) call(block);
}

ComScope::ComScope() {
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  const auto call = ole32().function<CoInitializeExFn>("CoInitializeEx");
  result_ = call != nullptr ? call(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
                            : last_error_as_hresult();
}

ComScope::~ComScope() {
  if (FAILED(result_)) return;
  using CoUninitializeFn = void(WINAPI*)();
  // Found, since the initialisation was.
  if (const auto call = ole32().function<CoUninitializeFn>("CoUninitialize")) call();
}

ComString::ComString(std::wstring_view text) {
  using SysAllocStringLenFn = BSTR(WINAPI*)(const OLECHAR*, UINT);
  const auto call = oleaut32().function<SysAllocStringLenFn>("SysAllocStringLen");
  if (call != nullptr) reset(call(text.data(), static_cast<UINT>(text.size())));
  if (!*this) {
    const DWORD error = ::GetLastError();
    throw PlatformError("SysAllocStringLen", narrow(text),
                        static_cast<Status>(error != ERROR_SUCCESS ? error : ERROR_OUTOFMEMORY));
  }
}

std::wstring_view ComString::view() const {
  using SysStringLenFn = UINT(WINAPI*)(BSTR);
  if (!*this) return {};
  // Found, since a string was made or handed over, which loaded oleaut32.
  const auto call = oleaut32().function<SysStringLenFn>("SysStringLen");
  return std::wstring_view(get(), call != nullptr ? call(get()) : ::lstrlenW(get()));
}

void BstrTraits::close(BSTR string) {
  using SysFreeStringFn = void(WINAPI*)(BSTR);
  if (const auto call = oleaut32().function<SysFreeStringFn>("SysFreeString")) call(string);
}

}  // namespace rw::win32
