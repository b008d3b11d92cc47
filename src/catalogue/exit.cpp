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
#include "catalogue/messages.h"
#include "catalogue/operations.h"

namespace rw {

namespace {

class ExitWalk {
 public:
  explicit ExitWalk(Catalogue& catalogue) : catalogue_(catalogue) {}

  // A file or settings-store failure ends the walk at that item: the items
  // before it stay applied, the later ones are left as they are. A registry
  // failure concerns its entry alone. The window unloads after the report
  // all the same, and the next start lists every entry where it really is.
  ExitReport run() {
    EntryList& list = catalogue_.list;
    const int last = list.count() - 1;  // fixed once: the walk never changes the list
    for (int index = 0; index <= last; ++index) {
      const bool wanted = list.checked(index);
      const PlaceInfo* from = find_place(list.tag(index));
      if (from == nullptr) continue;
      const OffReason off = list.off(index);
      if (starts(*from, off) == wanted) continue;
      const std::string name = list.text(index);
      if (const std::string_view why = lock_reason(*from, off); !why.empty()) {
        told(name, "is left as it is: " + std::string(why) + ".", ExitNote::Kind::Refused);
        continue;
      }
      // Kept off where it is (by Windows' flag, say): ticked, it is switched
      // on there. Otherwise an entry moves to its partner place when its
      // place allows that, and is switched where it is when it does not.
      const PlaceInfo* to = partner_of(*from);
      const bool switched_off_here = from->active && off != OffReason::None;
      if (!switched_off_here && from->actions.move && to != nullptr) {
        if (move(*from, *to, name)) continue;
        report_.stopped = true;
        break;
      }
      if (from->actions.switch_in_place) {
        switch_here(*from, name, list.key(index), wanted);
      } else {
        told(name, "cannot be switched from here.", ExitNote::Kind::Refused);
      }
    }
    return std::move(report_);
  }

 private:
  // False when the walk must stop here.
  bool move(const PlaceInfo& from, const PlaceInfo& to, const std::string& name) {
    std::string doing = "cannot be moved";
    try {
      if (!is_exact_name(name)) return told(name, inexact_name_words(), ExitNote::Kind::Refused);
      std::optional<Content> content = read_entry(catalogue_, from, name);
      if (!content) {  // an empty command would start nothing
        return told(name,
                    "is no longer in " + std::string(from.where) +
                        " (something else removed or moved it since the list was made), so there "
                        "was nothing to move.",
                    ExitNote::Kind::Refused);
      }
      if (!is_movable(from, *content)) {  // other data would come back damaged
        return told(
            name,
            "holds " + type_words(content->type) + ", not a command line. It stays where it is.",
            ExitNote::Kind::Refused);
      }
      if (std::optional<Content> there = read_entry(catalogue_, to, name);
          there && *there != *content) {
        const std::string unseen = is_unlisted(catalogue_, to, name)
                                       ? " (a hidden or system file, which no list shows)"
                                       : "";
        return told(name,
                    "is not moved: a different entry of that name is already in " +
                        std::string(to.where) + unseen + ". Both are left as they are.",
                    ExitNote::Kind::Collision);
      }
      doing = "cannot be moved, because it could not be removed from " + std::string(from.where);
      check_removable(catalogue_, from, name);
      doing = "cannot be moved";
      write_entry(catalogue_, from, to, name, *content);
      set_flag_for_move(from, to, name);
      doing = "was copied to " + std::string(to.where) + ", but could not be removed from " +
              std::string(from.where) + ", so it is now in both places";
      try {
        delete_entry(catalogue_, from, name);
      } catch (const PlatformError& error) {
        if (error.code() != status::kFileNotFound) throw;  // gone already is what was wanted
      }
      doing = "was moved to " + std::string(to.where) +
              ", but the record of its type was left behind (which does no harm)";
      delete_side_record(catalogue_, from, name);
      return true;
    } catch (const EntryFailure& error) {
      return told(name, failure(doing + ": ", error, from));
    } catch (const PlatformError& error) {
      told(name, failure(doing + ": ", error, from));
      return false;
    }
  }

  std::string failure(const std::string& doing, const std::exception& error,
                      const PlaceInfo& info) {
    return entry_failure(catalogue_.platform.status_text, doing, error, &info);
  }

  // Parked, an entry's flag is set off, so that its program writing the
  // entry again does not start it again; restored, a flag that would keep
  // it off is set on. Either failing is told, and the move goes on.
  void set_flag_for_move(const PlaceInfo& from, const PlaceInfo& to, const std::string& name) {
    const bool restoring = to.active;
    try {
      if (restoring && !is_switched_off(catalogue_, to, name)) return;
      write_flag(catalogue_, to, name, restoring);
    } catch (const PlatformError& error) {
      told(name, failure(std::string("is moved to ") + std::string(to.where) +
                             ", but Windows' own startup setting for it could not be set " +
                             (restoring ? "on, so it may not start: "
                                        : "off, so its program could start it again: "),
                         error, from));
    }
  }

  void switch_here(const PlaceInfo& info, const std::string& name, const std::string& key,
                   bool on) {
    try {
      if (!is_exact_name(name)) {
        told(name, inexact_name_words());
        return;
      }
      switch_in_place(catalogue_, info, name, key, on);
    } catch (const SwitchNotMade& refused) {
      told(name,
           failure(std::string("is not switched ") + (on ? "on" : "off") + ": ", refused, info));
    } catch (const PlatformError& error) {
      told(name, failure(std::string("cannot be switched ") + (on ? "on" : "off") + " in " +
                             std::string(info.where) + ": ",
                         error, info));
    }
  }

  bool told(const std::string& name, const std::string& what,
            ExitNote::Kind kind = ExitNote::Kind::Failure) {
    // Appended piece by piece: GCC 12 warns falsely about "'" + text + "' ".
    std::string line(1, '\'');
    line += shown_name(name);
    line += "' ";
    line += what;
    report_.notes.push_back(ExitNote{std::move(line), kind});
    return true;
  }

  Catalogue& catalogue_;
  ExitReport report_;
};

}  // namespace

std::string ExitReport::message() const {
  if (notes.empty()) return {};
  std::string prompt = "Not every change could be made as you asked:\n";
  for (const ExitNote& note : notes) prompt += "\n" + note.line;
  if (stopped)
    prompt += "\n\nRunwarden stopped there; the entries after it were left as they were.";
  return prompt;
}

ExitReport apply_changes(Catalogue& catalogue) { return ExitWalk(catalogue).run(); }

void apply_changes_on_exit(Catalogue& catalogue) {
  const ExitReport report = apply_changes(catalogue);
  if (!report.notes.empty()) show_error(catalogue.platform, report.message());
}

}  // namespace rw
