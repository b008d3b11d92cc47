#include "catalogue/app_manifest.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <tuple>

#include "catalogue/xml_document.h"

namespace rw {

namespace {

constexpr std::array<std::string_view, 2> kStartupTaskNamespaces = {
    "http://schemas.microsoft.com/appx/manifest/uap/windows10/5",
    "http://schemas.microsoft.com/appx/manifest/desktop/windows10",
};

// Package names, ids and versions are ASCII, and Windows ignores their case.
bool same_ascii(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool is_startup_task(const XmlNode& element) {
  if (local_name(element) != "StartupTask") return false;
  const std::string_view uri = namespace_of(element);
  return std::find(kStartupTaskNamespaces.begin(), kStartupTaskNamespaces.end(), uri) !=
         kStartupTaskNamespaces.end();
}

void add_tasks_of(const XmlNode& application, std::vector<ManifestStartupTask>& tasks) {
  for (const XmlNode* extension : elements_of(child(&application, "Extensions"))) {
    if (local_name(*extension) != "Extension") continue;
    std::string_view executable = attribute(*extension, "Executable");
    if (executable.empty()) executable = attribute(application, "Executable");
    for (const XmlNode* element : elements_of(extension)) {
      if (!is_startup_task(*element)) continue;
      tasks.push_back(ManifestStartupTask{std::string(attribute(*element, "TaskId")),
                                          std::string(attribute(*element, "DisplayName")),
                                          std::string(executable)});
    }
  }
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// "10.2.0.15" as four numbers, so that 10 sorts after 9; what is no number is 0.
std::array<unsigned long, 4> version_of(std::string_view text) {
  std::array<unsigned long, 4> version{};
  const std::vector<std::string_view> parts = split(text, '.');
  for (std::size_t i = 0; i < version.size() && i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    if (part.empty() || part.size() > 9 ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    version[i] = std::stoul(std::string(part));
  }
  return version;
}

}  // namespace

std::optional<std::vector<ManifestStartupTask>> manifest_startup_tasks(std::string_view xml,
                                                                       std::string& problem) {
  const XmlDocument document(xml);
  const XmlNode* package = document.root();
  if (!document.problem().empty()) {
    problem = document.problem();
    return std::nullopt;
  }
  if (package == nullptr || local_name(*package) != "Package") {
    problem = "no Package element";
    return std::nullopt;
  }
  std::vector<ManifestStartupTask> tasks;
  for (const XmlNode* application : elements_of(child(package, "Applications"))) {
    if (local_name(*application) == "Application") add_tasks_of(*application, tasks);
  }
  return tasks;
}

const ManifestStartupTask* find_startup_task(const std::vector<ManifestStartupTask>& tasks,
                                             std::string_view task_id) {
  const auto found = std::find_if(tasks.begin(), tasks.end(), [&](const ManifestStartupTask& task) {
    return same_ascii(task.task_id, task_id);
  });
  return found == tasks.end() ? nullptr : &*found;
}

std::string startup_task_name(std::string_view family, std::string_view task_id,
                              const ManifestStartupTask* task) {
  constexpr std::string_view kResource = "ms-resource:";
  if (task != nullptr && !task->display_name.empty() &&
      !same_ascii(std::string_view(task->display_name).substr(0, kResource.size()), kResource)) {
    return task->display_name;
  }
  return std::string(family) + " " + std::string(task_id);
}

std::vector<std::string> packages_of_family(const std::vector<std::string>& full_names,
                                            std::string_view family) {
  const std::size_t underscore = family.rfind('_');
  if (underscore == std::string_view::npos) return {};
  const std::string_view name = family.substr(0, underscore);
  const std::string_view publisher = family.substr(underscore + 1);
  struct Candidate {
    bool resource;
    std::array<unsigned long, 4> version;
    const std::string* full_name;
  };
  std::vector<Candidate> candidates;
  for (const std::string& full_name : full_names) {
    const std::vector<std::string_view> parts = split(full_name, '_');
    if (parts.size() != 5 || !same_ascii(parts[0], name) || !same_ascii(parts[4], publisher)) {
      continue;
    }
    candidates.push_back(Candidate{!parts[3].empty(), version_of(parts[1]), &full_name});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) {
                     return std::tie(a.resource, b.version) < std::tie(b.resource, a.version);
                   });
  std::vector<std::string> ordered;
  for (const Candidate& candidate : candidates) ordered.push_back(*candidate.full_name);
  return ordered;
}

}  // namespace rw
