// Packaged (Store and MSIX) apps' startup tasks of the current user, as the
// place of PackagedTasks storage reads them: each task's State under its
// package family's key, its name and program from the package's manifest.
// Settings switches them; this program only shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/entry_store.h"

namespace rw::packaged {

// Each installed package's subkey, named by its full name, holds its folder.
inline constexpr std::string_view kPackagesKey =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\"
    "Repository\\Packages";
inline constexpr std::string_view kRootFolderValue = "PackageRootFolder";
inline constexpr std::string_view kStateValue = "State";
inline constexpr std::string_view kManifestFile = "AppxManifest.xml";
// Real manifests have tens of kilobytes; a larger one than this is not read
// and its tasks are named by their package family and id.
inline constexpr std::size_t kLargestManifest = std::size_t{4} << 20;

// Why a task of this State does not start: 2 and 4 start (4 by a policy);
// 0 and 1, and any number Windows does not give, are off in Settings; 3 is
// off by a policy.
OffReason off_reason_of_state(std::uint32_t state);

// The list's key of a task: "<PackageFamilyName>\<TaskId>".
std::string task_key(std::string_view family, std::string_view task_id);

const PlaceStorage& storage();

}  // namespace rw::packaged
