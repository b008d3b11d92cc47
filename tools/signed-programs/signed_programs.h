// The program files made at build time for the signature checks' tests and
// benchmark (see sign-test-programs.sh), and who signed them. Portable, so
// that the substitute's contract tests place programs of the same kinds.
#pragma once

#include <string_view>

namespace rw::signed_programs {

enum class Kind {
  kSignedByTrustedRoot,  // signed by kTrustedSigner, issued by the test root
  kChangedAfterSigning,  // that file with a byte changed since it was signed
  kSignedByUntrusted,    // signed by kUntrustedSigner, whom no root vouches for
  kUnsigned,
};

struct File {
  Kind kind;
  std::string_view name;  // in the folder RUNWARDEN_SIGNED_PROGRAMS names
};

inline constexpr File kFiles[] = {
    {Kind::kSignedByTrustedRoot, "signed.exe"},
    {Kind::kChangedAfterSigning, "tampered.exe"},
    {Kind::kSignedByUntrusted, "untrusted.exe"},
    {Kind::kUnsigned, "unsigned.exe"},
};

// The test root, in DER, and its SHA-1 thumbprint in upper-case hex.
inline constexpr std::string_view kRootCertificate = "test-root.der";
inline constexpr std::string_view kRootThumbprint = "test-root.thumbprint";

inline constexpr std::string_view kTrustedSigner = RUNWARDEN_TRUSTED_SIGNER;
inline constexpr std::string_view kUntrustedSigner = RUNWARDEN_UNTRUSTED_SIGNER;

inline std::string_view file_name(Kind kind) {
  for (const File& file : kFiles) {
    if (file.kind == kind) return file.name;
  }
  return {};
}

}  // namespace rw::signed_programs
