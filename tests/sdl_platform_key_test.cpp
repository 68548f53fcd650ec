// The straight key over SDL: the keyboard flag, and a virtual joystick that
// is plugged in and out while the key is read.

#include <gtest/gtest.h>

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
void SetFirstButton(int index, bool pressed) {
  SDL_Joystick* handle = SDL_JoystickOpen(index);
  ASSERT_NE(handle, nullptr) << SDL_GetError();
  SDL_JoystickSetVirtualButton(handle, 0, pressed ? SDL_PRESSED : SDL_RELEASED);
  SDL_JoystickClose(handle);
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

}  // namespace
}  // namespace dovrik
