// COM for the few calls that need it: started on the calling thread by the
// first of them, never at start-up, and its objects released by an owner.
// ole32 itself is loaded by the first of those calls, not with the program.
#pragma once

#include <objbase.h>

#include <utility>

namespace rw::win32 {

// An HRESULT as a status the OS can put into words: the Win32 error inside
// it, or the HRESULT itself, which has words of its own.
inline long status_of(HRESULT result) {
  return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : result;
}

// CoCreateInstance from ole32, loaded on the first call. When ole32 cannot
// be loaded, the Win32 error of that as an HRESULT.
HRESULT create_instance(REFCLSID class_id, REFIID interface_id, void** object);

// CoTaskMemFree, for memory COM or the shell handed over. Only called where
// a ComScope has loaded ole32 already.
void free_task_memory(void* block);

// Starts COM on this thread for as long as it lives, and balances only an
// initialisation it made itself.
class ComScope {
 public:
  ComScope();
  ~ComScope();
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
