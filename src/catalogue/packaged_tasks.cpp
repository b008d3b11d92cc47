#include "catalogue/packaged_tasks.h"

#include <map>
#include <optional>
#include <vector>

#include "catalogue/app_manifest.h"
#include "catalogue/messages.h"
#include "catalogue/program_file.h"
#include "catalogue/registry_values.h"

namespace rw::packaged {

namespace {

constexpr std::uint32_t kOffByPolicy = 3;
constexpr std::uint32_t kOnByPolicy = 4;

struct TaskState {
  std::string family;
  std::string task_id;
  std::uint32_t state = 0;
};

std::optional<std::uint32_t> dword_of(const std::optional<RegValue>& value) {
  if (!value || value->type != regtype::kDword || value->data.size() != 4) return std::nullopt;
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | value->data[static_cast<std::size_t>(i)];
  return number;
}

RegistryKey below(const RegistryKey& key, std::string_view name) {
  return RegistryKey{key.hive, key.path + "\\" + std::string(name), key.view};
}

// The names of the key's subkeys; none where the key is missing. A failure
// is kept, the first one only, beside what was found before it.
std::vector<std::string> subkeys_of(Registry& registry, const RegistryKey& key,
                                    std::optional<PlatformError>& failure) {
  std::vector<std::string> names;
  RegKey opened;
  Status result = registry.open_key(key.hive, key.path, access::kRead | key.view, opened);
  if (result == status::kFileNotFound) return names;
  const char* call = "RegOpenKeyEx";
  if (result == status::kOk) {
    call = "RegEnumKeyEx";
    result = list_subkey_names(registry, opened, names);
  }
  if (result != status::kOk && !failure) failure = EntryFailure(call, key_words(key), result);
  return names;
}

std::optional<std::uint32_t> state_at(Registry& registry, const RegistryKey& task) {
  return dword_of(read_value_at(registry, task, kStateValue));
}

// Every subkey of a family that holds a DWORD State: the tasks.
std::vector<TaskState> task_states(Registry& registry, const RegistryKey& root,
                                   std::optional<PlatformError>& failure) {
  std::vector<TaskState> tasks;
  for (const std::string& family : subkeys_of(registry, root, failure)) {
    // A name with a NUL would reach another key than the one listed.
    if (!is_exact_name(family)) continue;
    for (const std::string& task_id : subkeys_of(registry, below(root, family), failure)) {
      if (!is_exact_name(task_id)) continue;
      try {
        if (const auto state = state_at(registry, below(below(root, family), task_id))) {
          tasks.push_back(TaskState{family, task_id, *state});
        }
      } catch (const PlatformError& error) {
        if (!failure) failure = error;
      }
    }
  }
  return tasks;
}

std::string state_words(std::uint32_t state) {
  static constexpr std::string_view kWords[] = {"off", "switched off by the user", "on",
                                                "switched off by a policy",
                                                "switched on by a policy"};
  const std::string number = std::to_string(state);
  if (state >= std::size(kWords)) return number + ", which Windows does not give";
  return number + " (" + std::string(kWords[state]) + ")";
}

// A task's name and program, or why its program is not known.
struct Resolved {
  std::string name;
  std::string program;  // the package's folder + the manifest's Executable
  std::string problem;  // words that can follow "Its program is not known: "
};

// What one scan learns of the installed packages: their full names, listed
// once, and each manifest, read once however many tasks its package has.
class PackageLookup {
 public:
  explicit PackageLookup(Catalogue& catalogue)
      : catalogue_(catalogue), finder_(catalogue.platform) {}

  Resolved resolve(std::string_view family, std::string_view task_id) {
    std::string problem;
    for (const std::string& full_name : packages_of_family(full_names(), family)) {
      const Manifest& manifest = manifest_of(full_name);
      const ManifestStartupTask* task =
          manifest.tasks ? find_startup_task(*manifest.tasks, task_id) : nullptr;
      if (task != nullptr) {
        Resolved found{startup_task_name(family, task_id, task), {}, {}};
        if (task->executable.empty()) {
          found.problem = "the manifest " + manifest.path + " names no executable for it";
        } else {
          found.program = manifest.folder + "\\" + task->executable;
        }
        return found;
      }
      if (problem.empty()) problem = manifest.problem;
    }
    if (problem.empty()) {
      problem = full_names().empty() || packages_of_family(full_names(), family).empty()
                    ? "no installed package of its family is listed in " +
                          key_words(RegistryKey{kHkeyCurrentUser, std::string(kPackagesKey)})
                    : "no manifest of its package declares the task " + std::string(task_id);
    }
    return Resolved{startup_task_name(family, task_id, nullptr), {}, std::move(problem)};
  }

 private:
  struct Manifest {
    std::string folder;
    std::string path;
    std::optional<std::vector<ManifestStartupTask>> tasks;
    std::string problem;  // why `tasks` is missing
  };

  const std::vector<std::string>& full_names() {
    if (!full_names_) {
      std::optional<PlatformError> failure;
      full_names_ = subkeys_of(catalogue_.platform.registry,
                               RegistryKey{kHkeyCurrentUser, std::string(kPackagesKey)}, failure);
    }
    return *full_names_;
  }

  const Manifest& manifest_of(const std::string& full_name) {
    auto [slot, made] = manifests_.try_emplace(full_name);
    if (made) slot->second = read_manifest(full_name);
    return slot->second;
  }

  Manifest read_manifest(const std::string& full_name) {
    Manifest manifest;
    const RegistryKey package{kHkeyCurrentUser, std::string(kPackagesKey) + "\\" + full_name};
    Platform& platform = catalogue_.platform;
    try {
      if (!is_exact_name(full_name)) {
        manifest.problem = "its package's name " + inexact_name_words();
        return manifest;
      }
      const std::optional<RegValue> folder =
          read_value_at(platform.registry, package, kRootFolderValue);
      if (!folder || !is_string_type(folder->type)) {
        manifest.problem = "the package's " + std::string(kRootFolderValue) + " in " +
                           key_words(package) + " is " +
                           (folder ? type_words(folder->type) : std::string("missing"));
        return manifest;
      }
      manifest.folder = registry_bytes_to_text(folder->data);
      while (manifest.folder.ends_with('\\')) manifest.folder.pop_back();
      manifest.path = manifest.folder + "\\" + std::string(kManifestFile);
      // Reading it could wait on a server, or on nothing for a folder that is no full path.
      if (manifest.folder.empty() || !finder_.is_local(manifest.path)) {
        manifest.problem = "its package's folder \"" + manifest.folder +
                           "\" is not a full path on this computer, so it was not read";
        return manifest;
      }
      const std::optional<std::string> bytes =
          platform.files.file_start(manifest.path, kLargestManifest + 1);
      if (!bytes) {
        manifest.problem = "its package's manifest " + manifest.path + " is missing";
      } else if (bytes->size() > kLargestManifest) {
        manifest.problem = "its package's manifest " + manifest.path + " is larger than " +
                           std::to_string(kLargestManifest >> 20) + " MB, so it was not read";
      } else {
        std::string why;
        manifest.tasks = manifest_startup_tasks(task_file_text(*bytes), why);
        if (!manifest.tasks) {
          manifest.problem = "its package's manifest " + manifest.path + " cannot be read: " + why;
        }
      }
    } catch (const PlatformError& error) {
      manifest.problem = failure_words(platform.status_text, error);
    }
    return manifest;
  }

  Catalogue& catalogue_;
  ProgramFinder finder_;
  std::optional<std::vector<std::string>> full_names_;
  std::map<std::string, Manifest> manifests_;
};

// A listed task's content, handed back to launch() so that it need not read
// the manifest again: its program as a string, or why it has none.
Content content_of(const Resolved& resolved) {
  return resolved.program.empty() ? Content{regtype::kNone, resolved.problem}
                                  : Content{regtype::kSz, resolved.program};
}

class PackagedTaskStorage final : public ReadOnlyStorage {
 public:
  Listing list(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) const override {
    Listing listing;
    const std::vector<TaskState> tasks =
        task_states(catalogue.platform.registry, key_of(info), listing.failure);
    PackageLookup packages(catalogue);
    for (const TaskState& task : tasks) {
      Resolved resolved = packages.resolve(task.family, task.task_id);
      Found found{resolved.name, task_key(task.family, task.task_id),
                  off_reason_of_state(task.state)};
      if (with_contents) found.content = content_of(resolved);
      listing.entries.push_back(std::move(found));
    }
    return listing;
  }
  std::optional<Content> read(Catalogue& catalogue, const PlaceInfo& info,
                              std::string_view name) const override {
    const std::optional<Found> found = find(catalogue, info, name);
    if (!found) return std::nullopt;
    return Content{regtype::kNone, found->key};
  }
  std::string address(Catalogue& catalogue, const PlaceInfo& info,
                      std::string_view name) const override {
    const std::optional<Found> found = find(catalogue, info, name);
    return key_words(key_of(info)) + "\\" + (found ? found->key : std::string(name));
  }
  std::optional<Launch> launch(Catalogue& catalogue, const PlaceInfo& info, std::string_view,
                               std::string_view key, const Content* known) const override {
    const std::size_t split = key.find('\\');
    if (split == std::string_view::npos) return std::nullopt;
    const std::string_view family = key.substr(0, split);
    const std::string_view task_id = key.substr(split + 1);
    const RegistryKey task = below(key_of(info), key);
    const std::optional<std::uint32_t> state = state_at(catalogue.platform.registry, task);
    if (!state) return std::nullopt;
    Launch launch;
    launch.facts = {"Package family: " + std::string(family), "Task id: " + std::string(task_id),
                    "State: " + state_words(*state) + ", kept in " + key_words(task) + ", value " +
                        std::string(kStateValue)};
    if (*state == kOffByPolicy || *state == kOnByPolicy) {
      launch.facts.push_back(
          "Set by a policy: a policy decides whether this task starts; change it in Group Policy");
    }
    const Content content =
        known != nullptr ? *known : content_of(PackageLookup(catalogue).resolve(family, task_id));
    if (content.type != regtype::kSz) {
      launch.problem = "Its program is not known: " + content.data + ".";
      return launch;
    }
    launch.command = content.data;
    launch.target = content.data;
    return launch;
  }

 private:
  std::optional<Found> find(Catalogue& catalogue, const PlaceInfo& info,
                            std::string_view name) const {
    for (Found& found : list(catalogue, info, false).entries) {
      if (catalogue.platform.text_rules.same_name(found.name, name)) return std::move(found);
    }
    return std::nullopt;
  }
};

}  // namespace

OffReason off_reason_of_state(std::uint32_t state) {
  if (state == 2 || state == kOnByPolicy) return OffReason::None;
  return state == kOffByPolicy ? OffReason::SwitchedOffByPolicy : OffReason::SwitchedOffInSettings;
}

std::string task_key(std::string_view family, std::string_view task_id) {
  return std::string(family) + "\\" + std::string(task_id);
}

const PlaceStorage& storage() {
  static const PackagedTaskStorage packaged_tasks;
  return packaged_tasks;
}

}  // namespace rw::packaged
