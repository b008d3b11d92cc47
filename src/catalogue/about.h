// The About box's logic: the System Information lookup and the e-mail link.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rw {

// The maker's address, which the About box shows whole in its narrow field.
inline constexpr std::string_view kContactAddress = "rw@example.org";

// Reads value `value_name` of `key_path` under `hive` as text. False when the
// key or the value cannot be read; `value` then becomes empty. A value of a
// type other than a string or a number leaves `value` as it came in.
bool GetKeyValue(Registry& registry, Hive hive, std::string_view key_path,
                 std::string_view value_name, std::string& value);

// Starts System Information, or says "System Information Is Unavailable At
// This Time".
void StartSysInfo(Platform& platform);

// "mailto:" + address + "?Subject=Runwarden", opened through the shell.
std::string contact_link();
void open_contact_link(Platform& platform);

}  // namespace rw
