// The start-up scan: resolves the folders of the folder places into the
// catalogue and lists every entry of every place. It writes nothing, so that a copy in a folder
// nobody may write to lists all the same: a parking folder that does not exist yet holds nothing,
// and the first shortcut parked there makes it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/entry_store.h"

namespace rw {

// "Runwarden v" + major + "." + minor
std::string main_window_caption();

struct ScanResult {
  std::string caption;
  // Places that could not be read whole: the list lacks what they hold, so
  // the user must be told.
  std::vector<PlatformError> problems;
};

// Which places a scan reads: all of them, or, for a window that must show
// at once, those read now and those read later (PlaceInfo::read_later).
enum class Places { All, Now, Later };

// Runs the scan into the list. What cannot be read is in the result's
// problems, and the rest is listed.
ScanResult run_scan(Catalogue& catalogue, Places places = Places::All);

// One entry as the scan finds it: what the list would hold of it, and when
// asked, what it holds, read in the same pass.
struct ScannedEntry {
  const PlaceInfo* place = nullptr;
  std::string name;
  std::string key = {};              // which entry of its place, where the name does not say
  OffReason off = OffReason::None;   // why an entry of an active place does not start
  const Content* content = nullptr;  // a Run value's, when asked for and read
  std::optional<Scope> scope = {};   // its own, where its place's row does not decide it
};
// The scan's walk, handing each entry to `found` instead of to a list: the
// same places in the same order, with the same rules. Returns the places
// that could not be read whole.
std::vector<PlatformError> walk_places(Catalogue& catalogue, bool with_contents,
                                       const std::function<void(const ScannedEntry&)>& found,
                                       Places places = Places::All);

// The places read later, read on a thread of their own into plain data for
// list_later_places() to add on the list's thread.
struct LaterEntries {
  std::vector<ListItem> items;
  std::vector<StartupTask> startup_tasks;
  // What could not be read, as one line for the list; empty when all was read.
  std::string unread;
};
// Never throws: what goes wrong is in `unread`.
LaterEntries read_later_places(Platform& platform) noexcept;
// Adds them to the list without moving its current or focused item, the
// unread line after every entry as a note (kNoteTag).
void list_later_places(Catalogue& catalogue, LaterEntries later);

// The problems of a scan as one message for the user; empty when none.
std::string scan_problems_message(StatusText& text, const ScanResult& result);

}  // namespace rw
