// The program file a command starts, found as Windows finds it when Explorer
// starts the command at logon: never in this program's own folder or its
// current folder, and never by asking a server on the network.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace rw {

struct ProgramFile {
  std::string path;  // the file found; when none, the path Windows would look for
  bool found = false;
  // Not in quotation marks, with a space in the program's path as the command
  // writes it: Windows tries each shorter path first ("C:\Program.exe" before
  // "C:\Program Files\...").
  bool unquoted_with_space = false;
  // Why the file was not looked for, in words that follow "Program file", such
  // as "on a network share, not checked"; empty when it was looked for.
  std::string not_checked;
};

// The first path Windows tries for an unquoted path with a blank in it: up to
// the blank, with ".exe" added ("C:\Program.exe" for "C:\Program Files\...").
std::string first_unquoted_candidate(std::string_view path);

// Finds program files for one pass over the entries. What the search needs of
// the system (the folders a bare name is searched in, which drives are network
// shares) is asked once, when first needed.
class ProgramFinder {
 public:
  ProgramFinder(Folders& folders, Programs& programs) : folders_(folders), programs_(programs) {}
  explicit ProgramFinder(Platform& platform) : ProgramFinder(platform.folders, platform.programs) {}

  // The program a command line starts, as CreateProcess picks it out.
  ProgramFile find(std::string_view command);
  // A file named by its full path, such as a shortcut's target.
  ProgramFile file_at(std::string_view path);
  // Whether the path is a full one that can be looked at without asking a
  // server: not on a network share or a drive mapped to one, and not
  // relative to a folder unknown here.
  bool is_local(std::string_view path) { return where_is(path) == Where::AtPath; }

 private:
  // Where a path leads: searched for in the search folders (a name without a
  // folder, or below one), a path to look at, one relative to the folder the
  // command is started in (which is not this program's), or a network share.
  enum class Where { Searched, AtPath, StartFolder, Network };
  struct Lookup {
    std::optional<std::string> found;
    Where where = Where::AtPath;
  };
  struct Folder {
    std::string path;
    std::size_t units = 0;  // its length in UTF-16 units
  };

  Where where_is(std::string_view path);
  bool on_network_drive(char letter);
  const std::vector<Folder>& search_folders();
  std::optional<std::string> search(std::string_view name);
  Lookup look_up(std::string_view candidate);
  ProgramFile program_file(const Lookup& lookup, std::string missing_path,
                           bool unquoted_with_space) const;

  Folders& folders_;
  Programs& programs_;
  std::optional<std::vector<Folder>> search_folders_;
  bool network_folder_skipped_ = false;
  std::array<std::optional<bool>, 26> network_drives_{};
};

}  // namespace rw
