#include "bench/pe_imports.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace rw::bench {

namespace {

class PeImage {
 public:
  explicit PeImage(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

  template <typename T>
  const T* at(std::size_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return nullptr;
    return reinterpret_cast<const T*>(bytes_.data() + offset);
  }

  // The file offset of a relative virtual address, through the section table.
  bool file_offset(DWORD rva, std::size_t& offset) const {
    for (const IMAGE_SECTION_HEADER& section : sections_) {
      const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size) {
        offset = rva - section.VirtualAddress + section.PointerToRawData;
        return offset < bytes_.size();
      }
    }
    return false;
  }

  std::string string_at(DWORD rva) const {
    std::size_t offset = 0;
    if (!file_offset(rva, offset)) return {};
    const char* begin = bytes_.data() + offset;
    const std::size_t room = bytes_.size() - offset;
    return std::string(begin, strnlen(begin, room));
  }

  std::string parse_headers(IMAGE_DATA_DIRECTORY& imports, IMAGE_DATA_DIRECTORY& delayed) {
    const auto* dos = at<IMAGE_DOS_HEADER>(0);
    if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return "not a Windows program";
    const auto* nt = at<IMAGE_NT_HEADERS64>(static_cast<std::size_t>(dos->e_lfanew));
    if (nt == nullptr || nt->Signature != IMAGE_NT_SIGNATURE) return "no PE header";
    if (nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return "not a 64-bit program";
    const auto directories = nt->OptionalHeader.NumberOfRvaAndSizes;
    imports = directories > IMAGE_DIRECTORY_ENTRY_IMPORT
                  ? nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]
                  : IMAGE_DATA_DIRECTORY{};
    delayed = directories > IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT
                  ? nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT]
                  : IMAGE_DATA_DIRECTORY{};
    std::size_t table = static_cast<std::size_t>(dos->e_lfanew) +
                        offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                        nt->FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const auto* section = at<IMAGE_SECTION_HEADER>(table + i * sizeof(IMAGE_SECTION_HEADER));
      if (section == nullptr) return "a cut-off section table";
      sections_.push_back(*section);
    }
    return {};
  }

  // Walks a table of fixed-size descriptors until the all-zero one, taking
  // the DLL name from each.
  template <typename Descriptor, typename NameOf>
  std::vector<std::string> names_in(const IMAGE_DATA_DIRECTORY& directory, NameOf name_of) const {
    std::vector<std::string> names;
    std::size_t offset = 0;
    if (directory.VirtualAddress == 0 || !file_offset(directory.VirtualAddress, offset))
      return names;
    for (;; offset += sizeof(Descriptor)) {
      const auto* descriptor = at<Descriptor>(offset);
      if (descriptor == nullptr || name_of(*descriptor) == 0) break;
      names.push_back(string_at(name_of(*descriptor)));
    }
    return names;
  }

 private:
  std::vector<char> bytes_;
  std::vector<IMAGE_SECTION_HEADER> sections_;
};

std::string lower_case(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

Imports read_imports(const std::wstring& path) {
  Imports result;
  std::ifstream file(path.c_str(), std::ios::binary);
  if (!file) {
    result.failure = "cannot be opened";
    return result;
  }
  PeImage image(std::vector<char>(std::istreambuf_iterator<char>(file), {}));
  IMAGE_DATA_DIRECTORY imports{};
  IMAGE_DATA_DIRECTORY delayed{};
  result.failure = image.parse_headers(imports, delayed);
  if (!result.failure.empty()) return result;
  result.dlls = image.names_in<IMAGE_IMPORT_DESCRIPTOR>(
      imports, [](const IMAGE_IMPORT_DESCRIPTOR& d) { return d.Name; });
  result.delayed = image.names_in<IMAGE_DELAYLOAD_DESCRIPTOR>(
      delayed, [](const IMAGE_DELAYLOAD_DESCRIPTOR& d) { return d.DllNameRVA; });
  result.read = true;
  return result;
}

bool is_windows_own_dll(const std::string& name) {
  const std::string lower = lower_case(name);
  if (lower.rfind("api-ms-win-", 0) == 0 || lower.rfind("ext-ms-", 0) == 0) return true;
  static const char* const kSystem[] = {
      "advapi32.dll", "bcrypt.dll",   "comctl32.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll",
      "imm32.dll",    "kernel32.dll", "msvcrt.dll",   "ntdll.dll",    "ole32.dll",   "oleaut32.dll",
      "psapi.dll",    "shell32.dll",  "shlwapi.dll",  "ucrtbase.dll", "user32.dll",  "uxtheme.dll",
      "version.dll",  "winmm.dll",    "wintrust.dll", "ws2_32.dll"};
  return std::find(std::begin(kSystem), std::end(kSystem), lower) != std::end(kSystem);
}

}  // namespace rw::bench
