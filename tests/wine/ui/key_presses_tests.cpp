// Which key messages the ledger lets through, fed the activations and key
// messages that a window closing on a key's press leaves behind.
#include <gtest/gtest.h>

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
  HWND activated;  // when set, this window is activated and the rest is unused
  UINT message;
  WPARAM key;
  LPARAM flags;
  bool stray;
  bool removing = true;
};

Step activate(HWND window) { return {window, 0, 0, 0, false}; }
Step press(WPARAM key, bool stray = false) { return {nullptr, WM_KEYDOWN, key, 0, stray}; }
Step repeat(WPARAM key, bool stray) { return {nullptr, WM_KEYDOWN, key, kWasDown, stray}; }
Step release(WPARAM key, bool stray) {
  return {nullptr, WM_KEYUP, key, kWasDown | kGoingUp, stray};
}
Step with_alt(Step step) {
  step.message += WM_SYSKEYDOWN - WM_KEYDOWN;
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
      {"a press and its release in one window",
       {activate(kMain), press(VK_RETURN), release(VK_RETURN, false)}},
      {"a held arrow key repeats in its window",
       {activate(kMain), press(VK_DOWN), repeat(VK_DOWN, false), repeat(VK_DOWN, false),
        release(VK_DOWN, false)}},
      {"a held Enter acts once, even in its own window",
       {activate(kMain), press(VK_RETURN), repeat(VK_RETURN, true), release(VK_RETURN, false)}},
      {"the Enter that closed a dialog reaches no window after it",
       {activate(kDialog), press(VK_RETURN), activate(kMain), repeat(VK_RETURN, true),
        release(VK_RETURN, true)}},
      {"the Alt+F4 that closed a dialog does not close the next window",
       {activate(kDialog), with_alt(press(VK_MENU)), with_alt(press(VK_F4)), activate(kMain),
        with_alt(repeat(VK_F4, true)), with_alt(release(VK_F4, true)),
        with_alt(release(VK_MENU, true))}},
      {"a press stays out of its window once another was active",
       {activate(kMain), press('A'), activate(kDialog), repeat('A', true), activate(kMain),
        repeat('A', true), release('A', true)}},
      {"a key held down before the window took keys",
       {activate(kMain), repeat(VK_SPACE, true), release(VK_SPACE, true)}},
      {"the active window activated again",
       {activate(kMain), press(VK_DOWN), activate(kMain), repeat(VK_DOWN, false),
        release(VK_DOWN, false)}},
      {"the next press in the new window acts there",
       {activate(kDialog), press(VK_RETURN), activate(kMain), release(VK_RETURN, true),
        press(VK_RETURN), release(VK_RETURN, false)}},
      {"a look at a release that stays queued forgets nothing",
       {activate(kMain), press('A'), looked_at(release('A', false)), release('A', false)}},
      {"a look at a press that stays queued records nothing",
       {activate(kMain), looked_at(press('A')), repeat('A', true)}},
      {"characters are not key presses",
       {activate(kMain), {nullptr, WM_CHAR, '\r', kWasDown, false}}},
  };
  for (const LedgerCase& c : cases) {
    SCOPED_TRACE(c.what);
    KeyPressLedger ledger;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      if (step.activated != nullptr) {
        ledger.activating(step.activated);
        continue;
      }
      const MSG message{kMain, step.message, step.key, step.flags, 0, {}};
      EXPECT_EQ(ledger.stray(message, step.removing), step.stray) << "step " << i;
    }
  }
}

}  // namespace
}  // namespace rw::ui
