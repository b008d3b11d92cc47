// The About box's logic: finding and starting System Information, and the
// e-mail link.
#include "catalogue/about.h"

#include "catalogue/places.h"

namespace rw {

namespace {

constexpr int kShowNormal = 1;
constexpr std::string_view kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr std::string_view kMsinfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr std::string_view kMsinfoProgram = "\\MSINFO32.EXE";

// Where System Information lies, or the empty text when it cannot be found.
std::string sysinfo_path(Platform& platform) {
  std::string path;
  if (GetKeyValue(platform.registry, kHkeyLocalMachine, kMsinfoKey, "PATH", path)) return path;
  if (!GetKeyValue(platform.registry, kHkeyLocalMachine, kMsinfoLocationKey, "MSINFO", path)) {
    return {};
  }
  const std::string program = path + std::string(kMsinfoProgram);
  if (platform.files.dir(program, attr::kNormal).empty()) return {};
  return program;
}

}  // namespace

bool GetKeyValue(Registry& registry, Hive hive, std::string_view key_path,
                 std::string_view value_name, std::string& value) {
  // Reading is all this needs; asking for more rights would fail for users
  // who may not change the machine's keys.
  RegKey key;
  RegValue stored;
  if (registry.open_key(hive, key_path, access::kRead, key) != status::kOk ||
      read_value(registry, key, value_name, stored) != status::kOk) {
    value.clear();
    return false;
  }
  if (stored.type == regtype::kSz) {
    value = registry_bytes_to_text(stored.data);
  } else if (stored.type == regtype::kDword && stored.data.size() >= 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | stored.data[i];
    value = std::to_string(number);
  }
  return true;
}

void StartSysInfo(Platform& platform) {
  try {
    const std::string path = sysinfo_path(platform);
    if (!path.empty()) {
      // The path names the program itself; as a command line, a path with
      // spaces would start whatever its first word names.
      platform.shell.start_program(path, kShowNormal);
      return;
    }
  } catch (const PlatformError&) {
    // Every way of not finding or not starting it ends in the same message.
  }
  platform.dialogs.message_box("System Information Is Unavailable At This Time", mb::kOk,
                               kProgramTitle);
}

std::string contact_link() {
  return "mailto:" + std::string(kContactAddress) + "?Subject=" + std::string(kProgramTitle);
}

void open_contact_link(Platform& platform) {
  platform.shell.shell_open("Open", contact_link(), kShowNormal);
}

}  // namespace rw
