// The words a signature is shown in: the details' line and the console's
// field, for every state, with the signer's name and without one.
#include <gtest/gtest.h>

#include "catalogue/signature_words.h"

namespace rw::testing {
namespace {

TEST(SignatureWords, EachStateHasItsFieldAndItsLineNamingTheSignerWhereItShould) {
  struct Case {
    SignatureState state;
    std::optional<std::string> signer;
    std::string_view field;
    std::string line;
  };
  const Case cases[] = {
      {SignatureState::kValid, "Contoso Ltd", "valid", "Signed by Contoso Ltd"},
      {SignatureState::kValid, std::nullopt, "valid", "Signed by an unnamed signer"},
      {SignatureState::kNotSigned, std::nullopt, "not signed", "Not signed"},
      {SignatureState::kNotTrusted, "Prüfstelle 启动", "not trusted",
       "Signed by Prüfstelle 启动, whose certificate this computer does not trust"},
      {SignatureState::kNotTrusted, std::nullopt, "not trusted",
       "Signed by an unnamed signer, whose certificate this computer does not trust"},
      // The name is known, but the line blames the change, not the signer.
      {SignatureState::kNotValid, "Contoso Ltd", "not valid",
       "Signature not valid (the file was changed after it was signed)"},
      {SignatureState::kNotChecked, std::nullopt, "not checked", ""},
  };
  for (const Case& each : cases) {
    const Signature signature{each.state, each.signer};
    SCOPED_TRACE(std::string(each.field) + " / " + each.signer.value_or("(none)"));
    EXPECT_EQ(signature_field(each.state), each.field);
    EXPECT_EQ(signature_line(signature), each.line);
  }
}

}  // namespace
}  // namespace rw::testing
