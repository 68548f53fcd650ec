#pragma once

namespace dovrik {

// The straight key. Timer thread; must not block.
class KeyInput {
 public:
  virtual ~KeyInput() = default;
  virtual bool IsDown() = 0;
};

}  // namespace dovrik
