// Which key messages the ledger lets through, fed the activations and key
// messages, with their time stamps, that a window closing on a key's press or
// a busy program leaves behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/key_presses.h"

namespace rw::ui {
namespace {

// The ledger only tells windows apart; these are never dereferenced.
const HWND kDialog = reinterpret_cast<HWND>(0x1000);
const HWND kMain = reinterpret_cast<HWND>(0x2000);

constexpr LPARAM kWasDown = LPARAM{1} << 30;
constexpr LPARAM kGoingUp = LPARAM{1} << 31;

struct Step {
  HWND activated;  // when set, this window is activated at `time` and the rest is unused
  UINT message;
  WPARAM key;
  LPARAM flags;
  std::uint32_t time;
  bool stray;
  bool removing = true;
};

Step activate(HWND window, std::uint32_t at) { return {window, 0, 0, 0, at, false}; }
Step press(WPARAM key, std::uint32_t at, bool stray = false) {
  return {nullptr, WM_KEYDOWN, key, 0, at, stray};
}
Step repeat(WPARAM key, std::uint32_t at, bool stray) {
  return {nullptr, WM_KEYDOWN, key, kWasDown, at, stray};
}
Step release(WPARAM key, std::uint32_t at, bool stray) {
  return {nullptr, WM_KEYUP, key, kWasDown | kGoingUp, at, stray};
}
// A character that TranslateMessage posted for the last key-down: it carries
// the time it was posted, not the time of the press.
Step typed(WPARAM character, std::uint32_t at, bool stray) {
  return {nullptr, WM_CHAR, character, 0, at, stray};
}
Step with_alt(Step step) {
  step.message += WM_SYSKEYDOWN - WM_KEYDOWN;
  return step;
}
Step dead(Step step) {
  step.message = WM_DEADCHAR;
  return step;
}
Step looked_at(Step step) {
  step.removing = false;
  return step;
}

struct LedgerCase {
  const char* what;
  std::vector<Step> steps;
};

TEST(KeyPressLedger, KeepsEachPressInTheWindowItWentDownIn) {
  const std::vector<LedgerCase> cases = {
      {"a press, its character and its release in one window",
       {activate(kMain, 100), press(VK_RETURN, 110), typed('\r', 111, false),
        release(VK_RETURN, 120, false)}},
      {"typing ahead into the same window, read late",
       {activate(kMain, 100), press('A', 110), typed('a', 900, false), release('A', 120, false),
        press('B', 130), typed('b', 900, false), release('B', 140, false)}},
      {"a held Backspace repeats in the box it went down in",
       {activate(kDialog, 100), press(VK_BACK, 110), typed('\b', 111, false),
        repeat(VK_BACK, 800, false), typed('\b', 801, false), repeat(VK_BACK, 830, false),
        release(VK_BACK, 900, false)}},
      {"a held Enter acts once, even in its own window",
       {activate(kMain, 100), press(VK_RETURN, 110), repeat(VK_RETURN, 800, true),
        release(VK_RETURN, 900, false)}},
      {"the Enter that closed a dialog reaches no window after it",
       {activate(kDialog, 100), press(VK_RETURN, 110), activate(kMain, 200),
        repeat(VK_RETURN, 800, true), release(VK_RETURN, 900, true)}},
      {"the character of the Enter that closed a dialog is not typed into the next",
       {activate(kDialog, 100), press(VK_RETURN, 110), activate(kMain, 200),
        typed('\r', 201, true)}},
      {"the Alt+F4 that closed a dialog does not close the next window",
       {activate(kDialog, 100), with_alt(press(VK_MENU, 110)), with_alt(press(VK_F4, 120)),
        activate(kMain, 200), with_alt(repeat(VK_F4, 800, true)),
        with_alt(release(VK_F4, 900, true)), with_alt(release(VK_MENU, 910, true))}},
      {"a quick press made while a dialog closed does not act in the next window",
       {activate(kDialog, 100), activate(kMain, 2000), press(VK_RETURN, 1500, true),
        typed('\r', 2001, true), release(VK_RETURN, 1600, true)}},
      {"nor do its repeats once the key is held into the next window",
       {activate(kDialog, 100), activate(kMain, 2000), press(VK_BACK, 1500, true),
        repeat(VK_BACK, 2200, true), typed('\b', 2201, true), release(VK_BACK, 2300, true)}},
      {"an Alt+letter made before a window was activated picks nothing in it",
       {activate(kMain, 2000),
        with_alt(press(VK_MENU, 1500, true)),
        with_alt(press('N', 1510, true)),
        {nullptr, WM_SYSCHAR, 'n', 0, 2001, true},
        with_alt(release('N', 1520, true)),
        with_alt(release(VK_MENU, 1530, true))}},
      {"a dead key made before a window was activated is not typed into it",
       {activate(kMain, 2000), press(VK_OEM_7, 1500, true), dead(typed('^', 2001, true))}},
      {"a press in the very tick of the activation acts",
       {activate(kMain, 100), press('A', 100), typed('a', 100, false), release('A', 110, false)}},
      {"a press one tick before the activation does not",
       {activate(kMain, 100), press('A', 99, true), release('A', 110, true)}},
      {"a press after the tick count wrapped acts",
       {activate(kMain, 0xFFFFFFF0u), press('A', 0x10), typed('a', 0x11, false),
        release('A', 0x20, false)}},
      {"a press before an activation just before the wrap does not",
       {activate(kMain, 0x10), press('A', 0xFFFFFFF0u, true), release('A', 0x20, true)}},
      {"a press stays out of its window once another was active",
       {activate(kMain, 100), press('A', 110), activate(kDialog, 200), repeat('A', 800, true),
        activate(kMain, 850), repeat('A', 860, true), release('A', 900, true)}},
      {"a key held down before the window took keys",
       {activate(kMain, 100), repeat(VK_SPACE, 800, true), release(VK_SPACE, 900, true)}},
      {"the active window activated again keeps its first time",
       {activate(kMain, 100), activate(kMain, 300), press(VK_DOWN, 200),
        repeat(VK_DOWN, 800, false), release(VK_DOWN, 900, false)}},
      {"the next press in the new window acts there",
       {activate(kDialog, 100), press(VK_RETURN, 110), activate(kMain, 200),
        release(VK_RETURN, 210, true), press(VK_RETURN, 300), typed('\r', 301, false),
        release(VK_RETURN, 310, false)}},
      {"a fresh press acts after one made before the window was activated",
       {activate(kMain, 2000), press(VK_RETURN, 1500, true), release(VK_RETURN, 1600, true),
        press(VK_RETURN, 2100), release(VK_RETURN, 2200, false)}},
      {"a look at a release that stays queued forgets nothing",
       {activate(kMain, 100), press('A', 110), looked_at(release('A', 120, false)),
        release('A', 120, false)}},
      {"a look at a press that stays queued records nothing",
       {activate(kMain, 100), looked_at(press('A', 110)), repeat('A', 800, true)}},
      {"a look at an early press judges it as its removal will",
       {activate(kMain, 2000), looked_at(press('A', 1500, true)), press('A', 1500, true),
        typed('a', 2001, true)}},
  };
  for (const LedgerCase& c : cases) {
    SCOPED_TRACE(c.what);
    KeyPressLedger ledger;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      if (step.activated != nullptr) {
        ledger.activating(step.activated, step.time);
        continue;
      }
      const MSG message{kMain, step.message, step.key, step.flags, step.time, {}};
      EXPECT_EQ(ledger.stray(message, step.removing), step.stray) << "step " << i;
    }
  }
}

}  // namespace
}  // namespace rw::ui
