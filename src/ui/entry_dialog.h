// The entry dialog, as Modify uses it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "catalogue/module1.h"

namespace rw::ui {

// Modify on the current item: reads its command, shows the dialog modal to
// `owner`, and writes the command back on OK.
void modify_current_entry(HWND owner, Catalogue& catalogue);

}  // namespace rw::ui
