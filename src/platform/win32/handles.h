// Small owners for the Windows handles the Win32 layer opens, so that no
// handle is closed by hand and none leaks when a call in between fails.
#pragma once

#include <windows.h>

#include <utility>

namespace rw::win32 {

// Owns one handle of a kind described by Traits (its empty value and how it
// is closed). Move-only.
template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Value get() const { return value_; }
  // The address to receive a new handle, once the old one is closed.
  Value* put() {
    reset();
    return &value_;
  }
  explicit operator bool() const { return value_ != Traits::empty(); }
  Value release() { return std::exchange(value_, Traits::empty()); }
  void reset(Value value = Traits::empty()) {
    Value old = std::exchange(value_, value);
    if (old != Traits::empty()) Traits::close(old);
  }

 private:
  Value value_ = Traits::empty();
};

struct HkeyTraits {
  using Value = HKEY;
  static HKEY empty() { return nullptr; }
  static void close(HKEY key) { ::RegCloseKey(key); }
};

struct KernelHandleTraits {
  using Value = HANDLE;
  static HANDLE empty() { return nullptr; }
  static void close(HANDLE handle) { ::CloseHandle(handle); }
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
  using Value = HANDLE;
  static HANDLE empty() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE handle) { ::CloseHandle(handle); }
};

struct FindHandleTraits {
  using Value = HANDLE;
  static HANDLE empty() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE handle) { ::FindClose(handle); }
};

struct HookTraits {
  using Value = HHOOK;
  static HHOOK empty() { return nullptr; }
  static void close(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
};

struct FontTraits {
  using Value = HFONT;
  static HFONT empty() { return nullptr; }
  static void close(HFONT font) { ::DeleteObject(font); }
};

struct IconTraits {
  using Value = HICON;
  static HICON empty() { return nullptr; }
  static void close(HICON icon) { ::DestroyIcon(icon); }
};

// Destroying a menu destroys the menus it holds.
struct MenuTraits {
  using Value = HMENU;
  static HMENU empty() { return nullptr; }
  static void close(HMENU menu) { ::DestroyMenu(menu); }
};

// A DLL loaded with LoadLibrary: its reference is given back.
struct LibraryTraits {
  using Value = HMODULE;
  static HMODULE empty() { return nullptr; }
  static void close(HMODULE module) { ::FreeLibrary(module); }
};

// Memory a call allocated with LocalAlloc and handed over.
struct LocalMemoryTraits {
  using Value = HLOCAL;
  static HLOCAL empty() { return nullptr; }
  static void close(HLOCAL memory) { ::LocalFree(memory); }
};

using UniqueHkey = UniqueHandle<HkeyTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueHook = UniqueHandle<HookTraits>;
using UniqueFont = UniqueHandle<FontTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueLibrary = UniqueHandle<LibraryTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;

}  // namespace rw::win32
