// Finding a command's program file with bounded work: no more candidates than
// CreateProcess tries, each looked at without asking a server.
#include "catalogue/program_file.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace rw {

namespace {

constexpr std::size_t kLongestCommandLine = 32767;  // UTF-16 units, as CreateProcess takes it
constexpr std::size_t kMaxPath = 260;               // MAX_PATH, the terminating NUL included
constexpr std::string_view kBlanks = " \t";

constexpr std::string_view kOnNetwork = "on a network share, not checked";
constexpr std::string_view kFromStartFolder =
    "relative to the folder it is started in, not checked";
constexpr std::string_view kNetworkFoldersSkipped =
    "not found outside the network folders on PATH, which were not checked";

bool is_separator(char c) { return c == '\\' || c == '/'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool has_blank(std::string_view text) { return text.find_first_of(kBlanks) != text.npos; }

std::string lower(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

// One unit for each character, two for one beyond U+FFFF.
std::size_t utf16_units(std::string_view text) {
  std::size_t units = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;
    if (byte >= 0xF0) ++units;
  }
  return units;
}

// The longest start of the text with no more UTF-16 units than the limit.
std::string_view first_units(std::string_view text, std::size_t limit) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;
    units += byte >= 0xF0 ? 2 : 1;
    if (units > limit) return text.substr(0, i);
  }
  return text;
}

// CreateProcess holds a program's name, and the path it finds, in a MAX_PATH
// buffer: a longer one is never started.
bool too_long_to_start(std::string_view path) { return utf16_units(path) >= kMaxPath; }

// CreateProcess adds ".exe" to a module name that has no extension.
std::string with_extension(std::string_view path) {
  const std::size_t folder_end = path.find_last_of("\\/");
  const std::size_t dot = path.rfind('.');
  const bool has_extension =
      dot != std::string_view::npos && (folder_end == std::string_view::npos || dot > folder_end);
  return has_extension ? std::string(path) : std::string(path) + ".exe";
}

// Where an unquoted command that finds nothing would have its program: up to
// the first ".exe", else its first word.
std::string missing_program(std::string_view text) {
  const std::size_t exe = lower(text).find(".exe");
  if (exe != std::string::npos) return std::string(text.substr(0, exe + 4));
  return with_extension(text.substr(0, text.find_first_of(kBlanks)));
}

// A "\\?\", "\\.\" or "\??\" in front hands the rest of the path to the
// system as it is.
bool is_device_path(std::string_view path) {
  if (path.size() < 4 || !is_separator(path[0]) || !is_separator(path[3])) return false;
  return (is_separator(path[1]) && (path[2] == '?' || path[2] == '.')) ||
         (path[1] == '?' && path[2] == '?');
}

bool is_dot_relative(std::string_view path) {
  for (const std::string_view dots : {"..", "."}) {
    if (path.substr(0, dots.size()) != dots) continue;
    if (path.size() == dots.size() || is_separator(path[dots.size()])) return true;
  }
  return false;
}

}  // namespace

std::string first_unquoted_candidate(std::string_view path) {
  return with_extension(path.substr(0, path.find_first_of(kBlanks)));
}

ProgramFinder::Where ProgramFinder::where_is(std::string_view path) {
  if (is_device_path(path)) {
    const std::string_view rest = path.substr(4);
    if (rest.size() > 3 && lower(rest.substr(0, 3)) == "unc" && is_separator(rest[3])) {
      return Where::Network;
    }
    if (rest.size() >= 2 && is_letter(rest[0]) && rest[1] == ':' && on_network_drive(rest[0])) {
      return Where::Network;
    }
    return Where::AtPath;  // a local drive, or a device that is no share
  }
  if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) return Where::Network;
  if (path.size() >= 2 && is_letter(path[0]) && path[1] == ':') {
    if (on_network_drive(path[0])) return Where::Network;
    // "C:tool.exe" is in the folder the process is in on that drive.
    return path.size() >= 3 && is_separator(path[2]) ? Where::AtPath : Where::StartFolder;
  }
  if (!path.empty() && is_separator(path[0])) return Where::AtPath;  // on the current drive
  if (is_dot_relative(path)) return Where::StartFolder;
  return Where::Searched;
}

bool ProgramFinder::on_network_drive(char letter) {
  std::optional<bool>& known = network_drives_[static_cast<std::size_t>(
      std::toupper(static_cast<unsigned char>(letter)) - 'A')];
  if (!known) known = folders_.is_network_drive(letter);
  return *known;
}

const std::vector<ProgramFinder::Folder>& ProgramFinder::search_folders() {
  if (search_folders_) return *search_folders_;
  // Explorer starts the entries at logon, from the Windows folder; its search
  // goes on through the system folders and PATH.
  const std::string windows = folders_.windows_directory();
  std::vector<std::string> wanted = {windows, folders_.system_directory(),
                                     windows.empty() ? std::string() : windows + "\\System"};
  const std::string path = programs_.environment_variable("PATH").value_or("");
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find(';', start), path.size());
    const std::string_view entry = std::string_view(path).substr(start, end - start);
    wanted.push_back(entry.find('%') == entry.npos ? std::string(entry)
                                                   : programs_.expand_environment(entry));
    start = end + 1;
  }
  search_folders_.emplace();
  std::set<std::string> seen;
  for (std::string& folder : wanted) {
    const Where where = folder.empty() ? Where::Searched : where_is(folder);
    if (where == Where::Network) network_folder_skipped_ = true;
    // A relative folder on PATH is relative to the folder Explorer is in, not
    // to this program's: it is not searched.
    if (where != Where::AtPath) continue;
    while (folder.size() > 1 && is_separator(folder.back())) folder.pop_back();
    if (!seen.insert(lower(folder)).second) continue;
    const std::size_t units = utf16_units(folder);
    search_folders_->push_back(Folder{std::move(folder), units});
  }
  return *search_folders_;
}

std::optional<std::string> ProgramFinder::search(std::string_view name) {
  const std::size_t name_units = utf16_units(name);
  for (const Folder& folder : search_folders()) {
    if (folder.units + 1 + name_units >= kMaxPath) continue;
    std::string path = folder.path + "\\" + std::string(name);
    if (programs_.is_file(path)) return path;
  }
  return std::nullopt;
}

ProgramFinder::Lookup ProgramFinder::look_up(std::string_view candidate) {
  const std::string path = with_extension(candidate);
  if (too_long_to_start(path)) return Lookup{std::nullopt, Where::AtPath};
  const Where where = where_is(path);
  if (where == Where::Searched) return Lookup{search(path), where};
  if (where == Where::AtPath && programs_.is_file(path)) return Lookup{path, where};
  return Lookup{std::nullopt, where};
}

ProgramFile ProgramFinder::program_file(const Lookup& lookup, std::string missing_path,
                                        bool unquoted_with_space) const {
  if (lookup.found) return ProgramFile{*lookup.found, true, unquoted_with_space, {}};
  std::string_view not_checked;
  if (lookup.where == Where::Network) not_checked = kOnNetwork;
  if (lookup.where == Where::StartFolder) not_checked = kFromStartFolder;
  if (lookup.where == Where::Searched && network_folder_skipped_) {
    not_checked = kNetworkFoldersSkipped;
  }
  return ProgramFile{std::move(missing_path), false, unquoted_with_space, std::string(not_checked)};
}

ProgramFile ProgramFinder::find(std::string_view command) {
  // CreateProcess takes no longer command line: nothing past that is read.
  const std::string_view line = first_units(command, kLongestCommandLine);
  const std::size_t start = line.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return {};
  const std::string_view text = line.substr(start);
  if (text.front() == '"') {
    const std::size_t close = text.find('"', 1);
    const std::string_view path =
        text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    return program_file(look_up(path), with_extension(path), false);
  }
  // Unquoted, each blank may end the program's path; the first file that
  // exists wins, shortest first. A path that cannot be looked at ends the
  // search, as Windows would start it if it were there.
  for (std::size_t end = text.find_first_of(kBlanks);; end = text.find_first_of(kBlanks, end + 1)) {
    const std::string_view candidate = text.substr(0, end);
    if (too_long_to_start(candidate)) break;
    const Lookup lookup = look_up(candidate);
    if (lookup.found) return program_file(lookup, {}, has_blank(candidate));
    if (lookup.where == Where::Network || lookup.where == Where::StartFolder) break;
    if (end == std::string_view::npos) break;
  }
  std::string missing = missing_program(text);
  const bool spaced = has_blank(missing);
  const Where where = where_is(missing);
  return program_file(Lookup{std::nullopt, where}, std::move(missing), spaced);
}

ProgramFile ProgramFinder::file_at(std::string_view path) {
  if (path.empty()) return {};
  // A target is a full path; one that is not is relative to a folder not known here.
  Where where = where_is(path);
  if (where == Where::Searched) where = Where::StartFolder;
  const bool found = where == Where::AtPath && programs_.is_file(path);
  return program_file(Lookup{found ? std::optional<std::string>(path) : std::nullopt, where},
                      std::string(path), false);
}

}  // namespace rw
