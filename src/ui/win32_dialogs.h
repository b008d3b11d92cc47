// The message box, the text prompt and the file-open dialog, owned by the
// window that is current when they open.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace rw::ui {

class Win32Dialogs final : public Dialogs {
 public:
  // The window the dialogs are modal to; null until the main window exists.
  void set_owner(HWND owner) { owner_ = owner; }
  HWND owner() const { return owner_; }

  int message_box(std::string_view prompt, int flags, std::string_view title) override;
  std::string input_box(std::string_view prompt, std::string_view title,
                        std::string_view default_text) override;
  OpenFileResult open_file(const OpenFileRequest& request) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace rw::ui
