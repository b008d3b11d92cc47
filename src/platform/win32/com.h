// COM for the few calls that need it: started on the calling thread for the
// length of a call, never at start-up, and its objects released by an owner.
#pragma once

#include <objbase.h>

#include <utility>

namespace rw::win32 {

// An HRESULT as a status the OS can put into words: the Win32 error inside
// it, or the HRESULT itself, which has words of its own.
inline long status_of(HRESULT result) {
  return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : result;
}

// Balances only an initialisation it made itself.
class ComScope {
 public:
  ComScope()
      : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

// Owns one reference to a COM object.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  Interface* get() const { return object_; }
  Interface* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // The address to receive a new reference, once the old one is released.
  void** put() {
    reset();
    return reinterpret_cast<void**>(&object_);
  }
  void reset() {
    if (Interface* old = std::exchange(object_, nullptr)) old->Release();
  }

 private:
  Interface* object_ = nullptr;
};

}  // namespace rw::win32
