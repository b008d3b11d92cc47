// Exit: moves every entry whose checkbox disagrees with its place to the
// partner place. Before anything is written, a move looks at both ends: the
// entry must still be there, no different entry of that name may stand where
// it goes, and the user must be allowed to remove it from where it is. Then
// it writes the destination first and removes the source last, so an entry is
// never lost or overwritten; at worst it is in both places and is listed
// twice at the next start.
#include <string>
#include <vector>

#include "catalogue/entry_store.h"
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
  explicit ExitWalk(Catalogue& catalogue) : catalogue_(catalogue), platform_(catalogue.platform) {}

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
      } catch (const Stop&) {
        break;  // already told
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
    const PlaceInfo& to = place(from.partner);
    if (!is_exact_name(name)) {
      not_moved(name, inexact_name_words());
      return;
    }
    std::optional<Content> content;
    Status result = read_entry(catalogue_, from, name, content);
    if (result != status::kOk) {
      not_moved(name, "cannot be read: " + words(result) + ". It stays where it is.");
      return;
    }
    if (!content) {  // an empty command would start nothing
      not_moved(name, "is no longer in " + std::string(from.where) +
                          " (something else removed or moved it since the list was made), so there "
                          "was nothing to move.");
      return;
    }
    if (!is_movable(from, *content)) {  // other data would come back damaged
      not_moved(name, "holds " + type_words(content->type) +
                          ", not a command line. It stays where it is.");
      return;
    }
    if (!destination_free(from, to, name, *content)) return;
    result = check_removable(catalogue_, from, name);
    if (result != status::kOk) {
      not_moved(name, "cannot be moved, because it could not be removed from " +
                          entry_address(catalogue_, from, name) + ": " + words(result) + "." +
                          rights_hint(from, result) + " It stays where it is.");
      return;
    }
    result = write_entry(catalogue_, from, to, name, *content);
    if (result != status::kOk) {
      not_moved(name, "cannot be written to " + std::string(to.where) + ": " + words(result) + "." +
                          rights_hint(to, result) + " It stays where it is.");
      return;
    }
    remove_source(from, to, name);
  }

  // True when nothing of that name is where the entry goes, or the very same
  // entry is (a copy left by an earlier move that could not finish).
  bool destination_free(const PlaceInfo& from, const PlaceInfo& to, const std::string& name,
                        const Content& content) {
    std::optional<Content> there;
    const Status result = read_entry(catalogue_, to, name, there);
    if (result != status::kOk) {
      not_moved(name, "cannot be moved, because " + entry_address(catalogue_, to, name) +
                          " cannot be read: " + words(result) + ". It stays where it is.");
      return false;
    }
    if (!there || *there == content) return true;
    not_moved(name, "is not moved: a different entry of that name is already in " +
                        std::string(to.where) + ". Both are left as they are in " +
                        std::string(from.where) + " and " + std::string(to.where) + ".");
    return false;
  }

  void remove_source(const PlaceInfo& from, const PlaceInfo& to, const std::string& name) {
    Status result = status::kOk;
    try {
      result = delete_entry(catalogue_, from, name);
    } catch (const PlatformError& error) {
      not_moved(name, "was copied to " + std::string(to.where) + ", but " +
                          failure_words(platform_.status_text, error) +
                          ". It is now in both places.");
      stopped_ = true;
      throw Stop{};
    }
    if (result != status::kOk && result != status::kFileNotFound) {
      not_moved(name, "was copied to " + std::string(to.where) +
                          ", but it cannot be removed from " + std::string(from.where) + ": " +
                          words(result) + ". It is now in both places.");
      return;
    }
    try {
      delete_side_record(catalogue_, from, name);
    } catch (const PlatformError& error) {
      not_moved(name, "was moved to " + std::string(to.where) + ", but " +
                          failure_words(platform_.status_text, error) +
                          ". That record is left behind; it does no harm.");
    }
  }

  // What to do about a refusal in a place of all users.
  static std::string rights_hint(const PlaceInfo& info, Status result) {
    if (result != status::kAccessDenied || info.scope != Scope::AllUsers) return {};
    return " Changing an entry for all users needs administrator rights.";
  }

  std::string words(Status code) { return status_words(platform_.status_text, code); }

  void not_moved(const std::string& name, std::string reason) {
    unmoved_.push_back(Unmoved{name, std::move(reason)});
  }

  void report() {
    if (unmoved_.empty()) return;
    std::string prompt = "Not every change could be made as you asked:\n";
    for (const Unmoved& entry : unmoved_) {
      prompt += "\n'" + shown_name(entry.name) + "' " + entry.reason;
    }
    if (stopped_)
      prompt += "\n\nRunwarden stopped there; the entries after it were left as they were.";
    show_error(platform_, prompt);
  }

  // Ends the walk after a failure that has been told already.
  struct Stop {};

  Catalogue& catalogue_;
  Platform& platform_;
  std::vector<Unmoved> unmoved_;
  bool stopped_ = false;
};

}  // namespace

void apply_changes_on_exit(Catalogue& catalogue) { ExitWalk(catalogue).run(); }

}  // namespace rw
