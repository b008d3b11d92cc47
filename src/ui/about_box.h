// The About box.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/platform.h"

namespace rw::ui {

// Shows frmAbout modal to `owner` until it is closed.
void show_about_box(HWND owner, Platform& platform);

}  // namespace rw::ui
