// The behaviour of the platform that the catalogue relies on, checked against
// whichever implementation the test program links: the substitute natively,
// the Win32 layer under Wine.
#include <gtest/gtest.h>

#include "contract/contract_target.h"

namespace rw::contract {
namespace {

class PlatformContract : public ::testing::Test {
 protected:
  void SetUp() override {
    target_ = make_contract_target();
    key_ = target_->scratch_key();
  }
  Registry& reg() { return target_->registry(); }

  std::unique_ptr<ContractTarget> target_;
  std::string key_;
};

TEST_F(PlatformContract, MissingKeyAndValueGiveStatus2AndEndOfValuesGives259) {
  RegKey key;
  EXPECT_EQ(reg().open_key(kHkeyCurrentUser, key_ + "\\Missing", access::kRead, key), 2);
  EXPECT_FALSE(key.is_open());
  ASSERT_EQ(reg().create_key(kHkeyCurrentUser, key_, access::kRead | access::kWrite, key), 0);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg().query_value(key, "Nope", type, nullptr, size), 2);
  std::string name;
  EXPECT_EQ(reg().enum_value_name(key, 0, 100, name), 259);
}

}  // namespace
}  // namespace rw::contract
