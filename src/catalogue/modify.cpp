// Modify: shows a Run entry's stored command, active or parked, and writes
// the edited command back to the same value. The list never changes: the
// entry keeps its name and place.
#include <exception>
#include <string>

#include "catalogue/operations.h"
#include "catalogue/run_value_io.h"

namespace rw {

namespace {

std::string cannot_read(const std::string& name, const std::string& cause) {
  return "Can't read the command of " + name + " ! " + cause;
}

std::string key_words(Hive hive, const std::string& path) {
  return (hive == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") + path;
}

// The type to write the command back with: an expandable string stays one,
// so %VARIABLES% in it keep working; anything else becomes a plain string.
// A value that cannot be read could be expandable, and one that has gone
// since the dialog opened would be made anew, so nothing is written then.
Status type_to_keep(Catalogue& catalogue, const std::string& name, std::uint32_t& type) {
  Module1& module = catalogue.module;
  RegValue stored;
  const Status result =
      read_value_at(catalogue, module.CurrentHive, module.CurrentKeyPath, name, stored);
  type = stored.type == regtype::kExpandSz ? regtype::kExpandSz : regtype::kSz;
  return result;
}

std::string cannot_save(Catalogue& catalogue, const std::string& name, const std::string& doing,
                        Status code) {
  const Module1& module = catalogue.module;
  return "Can't save the new command of " + name + " !\n\n" + doing + " " +
         key_words(module.CurrentHive, module.CurrentKeyPath) +
         " failed: " + status_words(catalogue.platform.status_text, code) + ".";
}

}  // namespace

std::optional<ModifyRequest> begin_modify(Catalogue& catalogue) {
  Platform& platform = catalogue.platform;
  EntryList& list = catalogue.list;
  const int index = list.current();
  if (index < 0) return std::nullopt;
  const PlaceInfo* info = find_place(list.tag(index));
  if (info == nullptr || info->kind != EntryKind::RunValue) return std::nullopt;

  if (!is_exact_name(list.text(index))) {
    show_error(platform, cannot_read(shown_name(list.text(index)), "It " + inexact_name_words()));
    return std::nullopt;
  }
  Module1& module = catalogue.module;
  module.CurrentHive = run_value_key_hive(*info);
  module.CurrentKeyPath = run_value_key_path(*info);
  ModifyRequest request{
      titled(": MODIFY [" + scope_caption(info->scope) + "]"), list.text(index), {}};

  RegValue stored;
  const Status result =
      read_value_at(catalogue, module.CurrentHive, module.CurrentKeyPath, request.title, stored);
  if (result == status::kFileNotFound) {
    // OK would make a new entry, perhaps beside the moved one; and the list
    // must not go on showing what is not there.
    show_error(platform,
               cannot_read(request.title, "It is no longer in " + std::string(info->where) +
                                              " (something else removed or moved it), "
                                              "so it is taken off the list."));
    list.remove(index);
    list.set_current(-1);
    return std::nullopt;
  }
  if (result != status::kOk) {
    show_error(platform,
               cannot_read(request.title,
                           "Reading " + key_words(module.CurrentHive, module.CurrentKeyPath) +
                               " failed: " + status_words(platform.status_text, result) + "."));
    return std::nullopt;
  }
  if (!is_string_type(stored.type)) {  // shown as text and written back, it would be destroyed
    show_error(platform,
               cannot_read(request.title, "It holds " + type_words(stored.type) +
                                              ", not a command line, and is left as it is."));
    return std::nullopt;
  }
  request.source = registry_bytes_to_text(stored.data);
  return request;
}

bool commit_modify(Catalogue& catalogue, const std::string& title, const std::string& source) {
  Platform& platform = catalogue.platform;
  Module1& module = catalogue.module;
  std::uint32_t type = regtype::kSz;
  Status result = type_to_keep(catalogue, title, type);
  if (result == status::kFileNotFound) {
    show_error(platform, "Can't save the new command of " + title + " ! It is no longer in " +
                             key_words(module.CurrentHive, module.CurrentKeyPath) +
                             " (something else removed or moved it), so nothing is written.");
    return false;
  }
  if (result != status::kOk) {
    show_error(platform, cannot_save(catalogue, title, "Reading", result));
    return false;
  }
  result = write_value_at(catalogue, module.CurrentHive, module.CurrentKeyPath, title, type,
                          text_to_registry_bytes(source));
  if (result == status::kOk) return true;
  show_error(platform, cannot_save(catalogue, title, "Writing", result));
  return false;
}

std::optional<std::string> browse_for_source(Platform& platform) {
  try {
    const OpenFileResult chosen = platform.dialogs.open_file(program_file_request(
        ofn::kFileMustExist | ofn::kPathMustExist | ofn::kNoChangeDir | ofn::kHideReadOnly));
    if (!chosen.chosen) return std::nullopt;
    return quoted_when_spaced(chosen.file_name);
  } catch (const PlatformError& error) {
    show_error(platform,
               "Can't show the file dialog: " + failure_words(platform.status_text, error) + ".");
    return std::nullopt;
  } catch (const std::exception& error) {
    // Whatever else breaks in the dialog, the command being edited stays.
    show_error(platform, std::string("Can't show the file dialog: ") + error.what() + ".");
    return std::nullopt;
  }
}

}  // namespace rw
