// The DLLs of Windows that only some commands need (the file dialog, COM,
// version resources), loaded by the first command that calls into them
// rather than with the program: a start that never opens a file dialog or
// reads a shortcut never loads them.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"

namespace rw::win32 {

// One DLL of Windows' own, loaded from the system folder (never from beside
// the program) on the first look-up and kept while this object lives.
class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* file_name) : file_name_(file_name) {}

  // The exported function `name` as the type `Function`, or nullptr with
  // GetLastError() saying why: the DLL or the function was not found. A DLL
  // that failed to load is tried again on the next look-up.
  template <typename Function>
  Function function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address_of(name)));
  }

 private:
  FARPROC address_of(const char* name);

  const wchar_t* file_name_;
  UniqueLibrary module_;
};

}  // namespace rw::win32
