// The straight key over SDL: the keyboard flag, and a virtual joystick that
// is plugged in and out while the key is read.

#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/straight_key.h"

namespace dovrik {
namespace {

TEST(StraightKeyInputTest, KeyboardFlagHoldsTheKeyDown) {
  StraightKeyInput key;
  if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a joystick is attached to this machine";
  EXPECT_FALSE(key.IsDown()) << "no joystick and no key: up";
  key.SetKeyboardKeyDown(true);
  EXPECT_TRUE(key.IsDown());
  EXPECT_TRUE(key.IsDown()) << "stays down while held";
  key.SetKeyboardKeyDown(false);
  EXPECT_FALSE(key.IsDown());
}

// Presses or releases the first button of the virtual joystick at `index`
// through a handle of the test's own (SDL shares it with the key's).
void SetButton(int index, int button, bool pressed) {
  SDL_Joystick* handle = SDL_JoystickOpen(index);
  ASSERT_NE(handle, nullptr) << SDL_GetError();
  SDL_JoystickSetVirtualButton(handle, button, pressed ? SDL_PRESSED : SDL_RELEASED);
  SDL_JoystickClose(handle);
}
void SetFirstButton(int index, bool pressed) {
  SetButton(index, 0, pressed);
}

TEST(StraightKeyInputTest, FollowsTheFirstButtonOfAJoystickPluggedInAndOut) {
  StraightKeyInput key;
  if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a joystick is attached to this machine";
  EXPECT_FALSE(key.IsDown());

  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  EXPECT_FALSE(key.IsDown()) << "plugged in, button up";
  SetFirstButton(index, true);
  EXPECT_TRUE(key.IsDown());
  key.SetKeyboardKeyDown(true);
  EXPECT_TRUE(key.IsDown()) << "either one holds the key down";
  SetFirstButton(index, false);
  EXPECT_TRUE(key.IsDown());
  key.SetKeyboardKeyDown(false);
  EXPECT_FALSE(key.IsDown());

  // Pulled out with the button held: the key reads up.
  SetFirstButton(index, true);
  EXPECT_TRUE(key.IsDown());
  ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
  EXPECT_FALSE(key.IsDown());
  EXPECT_FALSE(key.IsDown());

  // Plugged in again: found and read without anything else to do.
  index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  SetFirstButton(index, true);
  EXPECT_TRUE(key.IsDown());
  SetFirstButton(index, false);
  EXPECT_FALSE(key.IsDown());
  SDL_JoystickDetachVirtual(index);
  EXPECT_FALSE(key.IsDown());
}

// {key, dit, dah, straightOnly} of one reading.
std::vector<bool> Fields(StraightKeyInput& key) {
  const KeyReading r = key.Read();
  return {r.key, r.dit, r.dah, r.straightOnly};
}

// The paddles: Left Ctrl or button 1 dit, Right Ctrl or button 2 dah. The
// second button is no straight key: it keys only a keyer.
TEST(StraightKeyInputTest, ReadsCtrlKeysAndTheFirstTwoButtonsAsPaddles) {
  StraightKeyInput key;
  if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a joystick is attached to this machine";
  using Expected = std::vector<bool>;
  key.SetControlKeys(true, false);
  EXPECT_EQ(Fields(key), (Expected{true, true, false, false}));
  key.SetControlKeys(false, true);
  EXPECT_EQ(Fields(key), (Expected{true, false, true, false}));
  EXPECT_TRUE(key.IsDown());
  key.SetControlKeys(false, false);
  EXPECT_EQ(Fields(key), (Expected{false, false, false, false}));

  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  SetButton(index, 1, true);
  EXPECT_EQ(Fields(key), (Expected{false, false, true, false}));
  EXPECT_FALSE(key.IsDown()) << "the second button is no straight key";
  SetButton(index, 0, true);
  EXPECT_EQ(Fields(key), (Expected{true, true, true, false}));
  SetButton(index, 1, false);
  EXPECT_EQ(Fields(key), (Expected{true, true, false, false}));
  EXPECT_TRUE(key.IsDown());

  // Unplugged with both held: both paddles read up.
  SetButton(index, 1, true);
  ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
  EXPECT_EQ(Fields(key), (Expected{false, false, false, false}));
}

}  // namespace
}  // namespace dovrik
