// The words of each signature state, in one table.
#include "catalogue/signature_words.h"

#include <algorithm>
#include <iterator>

namespace rw {

namespace {

struct SignatureWords {
  SignatureState state;
  std::string_view field;
  // The details' line is these two around the signer's name, or the first
  // alone for a state that names nobody.
  std::string_view line_before_name;
  std::string_view line_after_name;
  bool names_signer;
};

constexpr SignatureWords kWords[] = {
    {SignatureState::kValid, "valid", "Signed by ", "", true},
    {SignatureState::kNotSigned, "not signed", "Not signed", "", false},
    {SignatureState::kNotTrusted, "not trusted", "Signed by ",
     ", whose certificate this computer does not trust", true},
    {SignatureState::kNotValid, "not valid",
     "Signature not valid (the file was changed after it was signed)", "", false},
    {SignatureState::kNotChecked, "not checked", "", "", false},
};

// For a certificate that names nobody, which Windows allows.
constexpr std::string_view kUnnamedSigner = "an unnamed signer";

const SignatureWords& words_of(SignatureState state) {
  return *std::find_if(std::begin(kWords), std::end(kWords),
                       [state](const SignatureWords& words) { return words.state == state; });
}

}  // namespace

std::string_view signature_field(SignatureState state) { return words_of(state).field; }

std::string signature_line(const Signature& signature) {
  const SignatureWords& words = words_of(signature.state);
  std::string line(words.line_before_name);
  if (!words.names_signer) return line;
  line += signature.signer ? std::string_view(*signature.signer) : kUnnamedSigner;
  line += words.line_after_name;
  return line;
}

}  // namespace rw
