// Portable pieces of the platform layer: the key owner, text conversion and
// the whole-value readers that both implementations share.
#include "platform.h"

#include <utility>

namespace rw {

namespace {
std::string describe_error(const std::string& operation, const std::string& subject, Status code) {
  return operation + " failed for \"" + subject + "\" (error " + std::to_string(code) + ")";
}
}  // namespace

PlatformError::PlatformError(std::string operation, std::string subject, Status code)
    : std::runtime_error(describe_error(operation, subject, code)),
      operation_(std::move(operation)),
      subject_(std::move(subject)),
      code_(code) {}

std::string failure_words(StatusText& text, const PlatformError& error, bool with_number) {
  std::string words =
      error.operation() + " failed for \"" + error.subject() + "\": " + text.describe(error.code());
  if (with_number) words += " (error " + std::to_string(error.code()) + ")";
  return words;
}

RegKey::RegKey(RegKey&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)), handle_(std::exchange(other.handle_, 0)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    close();
    owner_ = std::exchange(other.owner_, nullptr);
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

Status RegKey::close() {
  if (owner_ == nullptr) return status::kOk;
  Registry* owner = std::exchange(owner_, nullptr);
  return owner->close_handle(std::exchange(handle_, 0));
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto byte = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (byte < 0x80) {
      cp = byte;
    } else if ((byte >> 5) == 0x6 || (byte >> 4) == 0xE || (byte >> 3) == 0x1E) {
      len = (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : 4;
      if (i + len <= text.size()) {
        cp = byte & (0x7F >> len);
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
          auto next = static_cast<unsigned char>(text[i + k]);
          if ((next >> 6) != 0x2) ok = false;
          cp = (cp << 6) | (next & 0x3F);
        }
        if (!ok) {
          cp = 0xFFFD;
          len = 1;
        }
      } else {
        len = 1;
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool is_exact_name(std::string_view name) {
  if (name.find('\0') != std::string_view::npos) return false;
  for (std::size_t i = 0; i + 1 < name.size(); ++i) {
    // A surrogate's three-byte form starts ED A0 to ED BF; real text has none.
    if (static_cast<unsigned char>(name[i]) == 0xED &&
        (static_cast<unsigned char>(name[i + 1]) & 0xE0) == 0xA0)
      return false;
  }
  return true;
}

std::string registry_bytes_to_text(const std::vector<std::uint8_t>& bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  if (!units.empty() && units.back() == u'\0') units.pop_back();
  return utf16_to_utf8(units);
}

std::vector<std::uint8_t> text_to_registry_bytes(std::string_view text) {
  std::u16string units = utf8_to_utf16(text);
  std::vector<std::uint8_t> bytes;
  bytes.reserve((units.size() + 1) * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

namespace {

std::u16string utf16_units(std::string_view bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');  // an odd last byte is no character
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
  }
  return units;
}

// Through UTF-16 and back, so that bytes that are not UTF-8 become U+FFFD.
std::string checked_utf8(std::string_view bytes) { return utf16_to_utf8(utf8_to_utf16(bytes)); }

}  // namespace

std::string task_file_text(std::string_view bytes) {
  const auto marked = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (marked("\xFF\xFE")) return utf16_to_utf8(utf16_units(bytes.substr(2), false));
  if (marked("\xFE\xFF")) return utf16_to_utf8(utf16_units(bytes.substr(2), true));
  if (marked("\xEF\xBB\xBF")) return checked_utf8(bytes.substr(3));
  // Without a mark, XML begins with "<" (or a space): in UTF-16 one of its
  // first two bytes is then a NUL, and which one tells the byte order.
  if (bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0'))
    return utf16_to_utf8(utf16_units(bytes, bytes[0] == '\0'));
  return checked_utf8(bytes);
}

Status read_value(Registry& registry, const RegKey& key, std::string_view name, RegValue& out) {
  // Start with room for an ordinary command; grow to what the registry asks,
  // since another program may lengthen the value between two calls.
  std::vector<std::uint8_t> buffer(512);
  for (;;) {
    std::uint32_t type = regtype::kNone;
    auto size = static_cast<std::uint32_t>(buffer.size());
    Status result = registry.query_value(key, name, type, buffer.data(), size);
    if (result == status::kMoreData) {
      buffer.resize(std::max<std::size_t>(size, buffer.size() * 2));
      continue;
    }
    if (result != status::kOk) return result;
    buffer.resize(size);
    out.type = type;
    out.data = std::move(buffer);
    return status::kOk;
  }
}

Status list_values(Registry& registry, const RegKey& key,
                   std::vector<std::pair<std::string, RegValue>>& values) {
  for (std::uint32_t index = 0;; ++index) {
    std::pair<std::string, RegValue> value;
    const Status result = registry.enum_value(key, index, value.first, value.second);
    if (result == status::kNoMoreItems) return status::kOk;
    if (result != status::kOk) return result;
    values.push_back(std::move(value));
  }
}

Status list_value_names(Registry& registry, const RegKey& key, std::vector<std::string>& names) {
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    Status result = registry.enum_value_name(key, index, kMaxValueNameChars + 1, name);
    if (result == status::kNoMoreItems) return status::kOk;
    if (result != status::kOk) return result;
    names.push_back(std::move(name));
  }
}

Status list_subkey_names(Registry& registry, const RegKey& key, std::vector<std::string>& names) {
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    const Status result = registry.enum_key_name(key, index, name);
    if (result == status::kNoMoreItems) return status::kOk;
    if (result != status::kOk) return result;
    names.push_back(std::move(name));
  }
}

}  // namespace rw
