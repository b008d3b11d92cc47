// Exit: moves every entry whose checkbox disagrees with its place to the
// partner place. Each move writes the destination first and removes the
// source last, and a move whose destination was not written leaves the source
// alone, so an entry is never lost; at worst it is in both places and is
// listed twice at the next start.
#include <string>
#include <vector>

#include "catalogue/operations.h"
#include "catalogue/run_value_io.h"

namespace rw {

namespace {

struct Unmoved {
  std::string name;
  std::string reason;  // reads after the quoted name: "cannot be read: ..."
};

class ExitWalk {
 public:
  explicit ExitWalk(Catalogue& catalogue)
      : catalogue_(catalogue), platform_(catalogue.platform), store_(catalogue.platform.registry) {}

  // A file or settings-store failure ends the walk at that item: the items
  // before it stay applied, the later ones are left as they are. The window
  // unloads after the report all the same, so the program ends with the
  // next start listing every entry where it really is.
  void run() {
    EntryList& list = catalogue_.list;
    const int last = list.count() - 1;  // fixed once: the walk never changes the list
    for (int index = 0; index <= last; ++index) {
      const bool wanted_active = list.checked(index);
      const PlaceInfo* from = find_place(list.tag(index));
      if (from == nullptr || from->active == wanted_active) continue;
      const std::string name = list.text(index);
      try {
        move(*from, name);
      } catch (const PlatformError& error) {
        not_moved(name, "cannot be moved: " + failure_words(platform_.status_text, error) + ".");
        stopped_ = true;
        break;
      }
    }
    report();
  }

 private:
  void move(const PlaceInfo& from, const std::string& name) {
    if (from.kind == EntryKind::Shortcut) {
      move_shortcut(from, name);
    } else if (from.active) {
      park_run_value(from, name);
    } else {
      restore_run_value(from, name);
    }
  }

  void move_shortcut(const PlaceInfo& from, const std::string& name) {
    const std::string program_folder = platform_.folders.program_folder();
    const Module1& module = catalogue_.module;
    const std::string source = shortcut_path(place_folder(from, module, program_folder), name);
    const std::string destination =
        shortcut_path(place_folder(place(from.partner), module, program_folder), name);
    platform_.files.file_copy(source, destination);
    platform_.files.kill(source);
  }

  void park_run_value(const PlaceInfo& from, const std::string& name) {
    const Hive hive = from.hive;
    catalogue_.module.CurrentHive = hive;
    RegValue value;
    Status result = read_value_at(catalogue_, hive, kRunKeyPath, name, value);
    if (result != status::kOk) {
      not_moved(name, "cannot be read: " + words(result) + ". It stays where it is.");
      return;
    }
    // Parking keeps text only; other data would come back damaged.
    if (!is_string_type(value.type)) {
      not_moved(name,
                "holds " + type_words(value.type) + ", not a command line. It stays where it is.");
      return;
    }
    // The type record goes first: one left without its value is harmless,
    // a parked value without its record would come back as a plain string.
    record_parked_type(store_, hive, name, value.type);
    store_.save_setting(kProgramTitle, parking_section(hive), name,
                        registry_bytes_to_text(value.data));
    result = delete_value_at(catalogue_, hive, kRunKeyPath, name);
    if (result != status::kOk && result != status::kFileNotFound) {
      not_moved(name, "was parked but cannot be removed from the Run key: " + words(result) +
                          ". It is now in both places.");
    }
  }

  void restore_run_value(const PlaceInfo& from, const std::string& name) {
    const Hive hive = from.hive;
    catalogue_.module.CurrentHive = hive;
    // Read the parked value whole, type and all: the settings store's text of
    // a number or bytes put there by hand would come back as a damaged command.
    RegValue parked;
    Status result =
        read_value_at(catalogue_, kHkeyCurrentUser, parking_section_key_path(hive), name, parked);
    if (result ==
        status::kFileNotFound) {  // gone since the scan: an empty command would start nothing
      not_moved(name, "is no longer parked, so there was nothing to restore.");
      return;
    }
    if (result != status::kOk) {
      not_moved(name, "cannot be read: " + words(result) + ". It stays parked.");
      return;
    }
    if (!is_string_type(parked.type)) {
      not_moved(name,
                "holds " + type_words(parked.type) + ", not a command line. It stays parked.");
      return;
    }
    const std::uint32_t type = parked_type(store_, hive, name);
    result = write_value_at(catalogue_, hive, kRunKeyPath, name, type,
                            text_to_registry_bytes(registry_bytes_to_text(parked.data)));
    if (result != status::kOk) {
      not_moved(name, "cannot be written to the Run key: " + words(result) + ". It stays parked.");
      return;
    }
    store_.delete_setting(kProgramTitle, parking_section(hive), name);
    if (type != regtype::kSz) forget_parked_type(store_, hive, name);
  }

  std::string words(Status code) { return status_words(platform_.status_text, code); }

  void not_moved(const std::string& name, std::string reason) {
    unmoved_.push_back(Unmoved{name, std::move(reason)});
  }

  void report() {
    if (unmoved_.empty()) return;
    std::string prompt = "These entries could not be moved:\n";
    for (const Unmoved& entry : unmoved_) {
      prompt += "\n'" + entry.name + "' " + entry.reason;
    }
    if (stopped_)
      prompt += "\n\nRunwarden stopped there; the entries after it were left as they were.";
    show_error(platform_, prompt);
  }

  Catalogue& catalogue_;
  Platform& platform_;
  SettingsStore store_;
  std::vector<Unmoved> unmoved_;
  bool stopped_ = false;
};

}  // namespace

void apply_changes_on_exit(Catalogue& catalogue) { ExitWalk(catalogue).run(); }

}  // namespace rw
