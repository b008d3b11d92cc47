// An item's infotip cut to the tip's buffer, counted in UTF-16 units as the
// buffer is.
#include <gtest/gtest.h>

#include <string>

#include "ui/list_tips.h"

namespace rw::ui {
namespace {

TEST(InfotipTextTest, KeepsWholeLinesAndMarksEveryCut) {
  const std::string long_command = "C:\\" + std::string(297, 'x');
  const struct {
    const char* what;
    std::string text;
    std::size_t room;  // with the NUL
    std::wstring tip;
  } cases[] = {
      {"fits as it is", "Tool\nWhere: here", 64, L"Tool\nWhere: here"},
      {"fills the room exactly", "abc\ndef", 8, L"abc\ndef"},
      {"one over: the last line gives way to a mark", "abc\ndef", 7, L"abc\n\x2026"},
      {"several lines left out", "one\ntwo\nthree\nfour", 12, L"one\ntwo\n\x2026"},
      {"a first line longer than the room", "abcdefgh", 5, L"abc\x2026"},
      {"a long command is cut, the warning after it kept", long_command + "\nWarning: gone", 1024,
       L"C:\\" + std::wstring(256, L'x') + L"\x2026\nWarning: gone"},
      {"a surrogate pair is not split", "a\U0001F600bc", 4, L"a\x2026"},
      {"letters beyond ASCII count once", "\u00DCn\u00EF\nX", 6, L"\u00DCn\u00EF\nX"},
      {"room for the NUL only", "abc", 1, L""},
      {"no room at all", "abc", 0, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(infotip_text(c.text, c.room), c.tip);
  }
}

}  // namespace
}  // namespace rw::ui
