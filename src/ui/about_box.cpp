#include "ui/about_box.h"

namespace rw::ui {

void show_about_box(HWND, Platform&) {}

}  // namespace rw::ui
