#include "ui/win32_dialogs.h"

namespace rw::ui {

// Placeholder until the dialogs are built: nothing is asked, everything is cancelled.
int Win32Dialogs::message_box(std::string_view, int, std::string_view) { return mb::kResultNo; }
std::string Win32Dialogs::input_box(std::string_view, std::string_view, std::string_view) {
  return {};
}
OpenFileResult Win32Dialogs::open_file(const OpenFileRequest&) { return {}; }

}  // namespace rw::ui
