// The program files made at build time for the signature checks' tests and
// benchmark (see sign-test-programs.sh), and who signed them. Portable, so
// that the substitute's contract tests place programs of the same kinds.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace rw::signed_programs {

enum class Kind {
  kSignedByTrustedRoot,  // signed by kTrustedSigner, issued by the test root
  kChangedAfterSigning,  // that file with a byte changed since it was signed
  kSignedByUntrusted,    // signed by kUntrustedSigner, whom no root vouches for
  kUnsigned,
};

inline constexpr std::string_view kTrustedSigner = RUNWARDEN_TRUSTED_SIGNER;
inline constexpr std::string_view kUntrustedSigner = RUNWARDEN_UNTRUSTED_SIGNER;

struct File {
  Kind kind;
  std::string_view name;  // in the folder RUNWARDEN_SIGNED_PROGRAMS names
  // What a check of its signature finds where the test root is trusted.
  SignatureState state;
  std::string_view signer;  // empty: none
};

inline constexpr File kFiles[] = {
    {Kind::kSignedByTrustedRoot, "signed.exe", SignatureState::kValid, kTrustedSigner},
    {Kind::kChangedAfterSigning, "tampered.exe", SignatureState::kNotValid, kTrustedSigner},
    {Kind::kSignedByUntrusted, "untrusted.exe", SignatureState::kNotTrusted, kUntrustedSigner},
    {Kind::kUnsigned, "unsigned.exe", SignatureState::kNotSigned, {}},
};

// The test root, in DER, and its SHA-1 thumbprint in upper-case hex.
inline constexpr std::string_view kRootCertificate = "test-root.der";
inline constexpr std::string_view kRootThumbprint = "test-root.thumbprint";

inline const File& file_of(Kind kind) {
  for (const File& file : kFiles) {
    if (file.kind == kind) return file;
  }
  return kFiles[0];  // not reached: every kind has its file
}

// The signature a check finds, as the platform gives it.
inline Signature expected_signature(const File& file) {
  if (file.signer.empty()) return Signature{file.state, std::nullopt};
  return Signature{file.state, std::string(file.signer)};
}

}  // namespace rw::signed_programs
