// COM for the few calls that need it: started on the calling thread by the
// first of them, never at start-up, and its objects released by an owner.
// ole32 and oleaut32 (for COM's strings) are loaded by the first of those
// calls, not with the program.
#pragma once

#include <objbase.h>

#include <string_view>
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
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  Interface* get() const { return object_; }
  Interface* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // The address to receive a new reference, once the old one is released.
  void** put() {
    reset();
    return reinterpret_cast<void**>(&object_);
  }
  // The same, for a call that hands over an object of this very interface.
  Interface** put_typed() {
    reset();
    return &object_;
  }
  void reset() {
    if (Interface* old = std::exchange(object_, nullptr)) old->Release();
  }

 private:
  Interface* object_ = nullptr;
};

// Owns one BSTR, COM's counted string: one made to pass text to a call, or
// one a call handed over. SysAllocStringLen and SysFreeString come from
// oleaut32, loaded on first use.
class ComString {
 public:
  ComString() = default;
  // Raises PlatformError when the string cannot be made.
  explicit ComString(std::wstring_view text);
  ComString(const ComString&) = delete;
  ComString& operator=(const ComString&) = delete;
  ~ComString() { reset(); }

  BSTR get() const { return string_; }
  // The address to receive a string, once the old one is freed.
  BSTR* put() {
    reset();
    return &string_;
  }
  // The whole text, NULs inside included; empty for no string.
  std::wstring_view view() const;
  void reset();

 private:
  BSTR string_ = nullptr;
};

}  // namespace rw::win32
