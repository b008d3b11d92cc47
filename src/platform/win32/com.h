// COM for the few calls that need it: started on the calling thread by the
// first of them, never at start-up, and its objects released by an owner.
// ole32 and oleaut32 (for COM's strings) are loaded by the first of those
// calls, not with the program.
#pragma once

#include <objbase.h>

#include <string_view>

#include "platform/win32/handles.h"

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

// Owns one reference to a COM object: a handle owner whose closing is
// Release.
template <typename Interface>
struct ComTraits {
  using Value = Interface*;
  static Interface* empty() { return nullptr; }
  static void close(Interface* object) { object->Release(); }
};
template <typename Interface>
class ComPtr : public UniqueHandle<ComTraits<Interface>> {
 public:
  Interface* operator->() const { return this->get(); }
  // The address to receive a new reference, as COM's calls take it.
  void** put() { return reinterpret_cast<void**>(put_typed()); }
  // The same, for a call that hands over an object of this very interface.
  Interface** put_typed() { return UniqueHandle<ComTraits<Interface>>::put(); }
};

// COM's counted string, freed with SysFreeString from oleaut32, which the
// string's making or handing over has loaded.
struct BstrTraits {
  using Value = BSTR;
  static BSTR empty() { return nullptr; }
  static void close(BSTR string);
};
// One BSTR: one made to pass text to a call, or one a call handed over.
class ComString : public UniqueHandle<BstrTraits> {
 public:
  ComString() = default;
  // Raises PlatformError when the string cannot be made.
  explicit ComString(std::wstring_view text);
  // The whole text, NULs inside included; empty for no string.
  std::wstring_view view() const;
};

}  // namespace rw::win32
