#include "ui/entry_dialog.h"

namespace rw::ui {

void modify_current_entry(HWND, Catalogue&) {}

}  // namespace rw::ui
