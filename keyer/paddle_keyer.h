#pragma once

#include <cstdint>
#include <optional>

#include "keyer/keyer_mode.h"

namespace dovrik {

// One reading of the two paddles: true while held.
struct Paddles {
  bool dit = false;
  bool dah = false;
};

// The key going down or up at a sample of the side-tone stream.
struct KeyChange {
  int64_t sample = 0;
  bool down = false;
};

// The keyer: paddle readings in, key changes at exact sample positions out.
// It keeps its own sample clock (Position) and reads no other clock, so the
// key sampler drives it from the side-tone's timeline and tests drive it by
// hand. A small value type with no pointers: the sampler may copy it and run
// the copy ahead to see what the key will do if the paddles stay as they
// are. One thread at a time.
//
// Rules, for the automatic modes:
//  * An element is a mark of dotSamples or dashSamples followed by a space
//    of spaceSamples. The next element is chosen when that space ends, from
//    the latest reading, and starts at once; an element started from rest
//    starts at the reading that asks for it.
//  * Memory: a paddle pressed (up to down between two readings) while an
//    element or its space is under way is remembered, and its element
//    follows even if the paddle is let go before then. That holds for the
//    paddle of the element under way too: a dit paddle tapped again during a
//    dit gives a second dit. A press read exactly when a space ends is not
//    remembered; it is simply held when the next element is chosen. One
//    read exactly when a mark ends falls in that mark's space.
//  * Iambic, both wanted (held or remembered): the element opposite to the
//    one just sent; from rest, the paddle pressed first. Two paddles first
//    seen down in the same reading count as dit pressed first.
//  * Iambic A adds nothing when the paddles are let go: the element under
//    way ends with its space; a paddle pressed during it is still
//    remembered, as in every mode with memory.
//  * Iambic B: a reading during an element's mark (the latest reading as the
//    mark starts included) that finds the opposite paddle down, the squeeze,
//    remembers the opposite element, so it follows even when both paddles
//    are let go before the mark ends. A reading during the space after the
//    mark does not count.
//  * Ultimatic, both held: the paddle pressed last repeats its element. A
//    paddle remembered but no longer held (a tap) goes first, so that a tap
//    of the other paddle is never held back behind a repeating one.
//  * Bug: dots repeat while the dit paddle is held, each a full dot and
//    space (a dit let go mid-dot still ends its dot), with no memory, as a
//    bug's pendulum has none. The dah paddle is a straight key: the key is
//    down from the reading that finds it down to the reading that finds it
//    up. The two are ORed, as a bug's two contacts are wired together.
//  * Straight: the key is down from the reading that finds either paddle
//    down to the reading that finds both up.
class PaddleKeyer {
 public:
  PaddleKeyer(KeyerMode mode, KeyerTiming timing, int64_t startSample = 0);

  // Applies a reading of the paddles at Position() and settles what is due
  // there; a key change it causes is at Position().
  template <typename Sink>
  void Read(Paddles paddles, Sink&& sink) {
    KeyChange change;
    if (ApplyReading(paddles, change)) sink(change);
  }

  // Runs the keyer to sample `to`, calling sink(KeyChange) for each key
  // change at a sample in [Position(), to), in order. Position() is then
  // `to`; a change due exactly at `to` is left for the next Read or Advance.
  // A `to` before Position() does nothing.
  template <typename Sink>
  void Advance(int64_t to, Sink&& sink) {
    KeyChange change;
    while (NextChangeBefore(to, change)) sink(change);
  }

  KeyerMode Mode() const { return mode_; }
  const KeyerTiming& Timing() const { return timing_; }
  int64_t Position() const { return position_; }
  // The key just before Position() (a change due at Position() is not yet
  // made).
  bool KeyDown() const { return keyDown_; }
  // No element or space under way: nothing happens until a reading asks.
  bool Idle() const { return phase_ == Phase::kIdle; }
  // The next sample at which the key may change without a new reading: the
  // end of the mark under way, or the end of the space under way (where the
  // next element would start). Empty when idle.
  std::optional<int64_t> NextChange() const;

 private:
  enum class Phase : uint8_t { kIdle, kMark, kSpace };
  enum class Element : uint8_t { kNone, kDit, kDah };

  bool ApplyReading(Paddles paddles, KeyChange& change);
  bool NextChangeBefore(int64_t to, KeyChange& change);
  // Makes every phase change due at Position(), and starts an element from
  // rest if one is wanted.
  void SettleAtPosition();
  void EndPhase();
  void StartNextElement();
  Element ChooseNextElement() const;
  Element ChooseIambic() const;
  Element ChooseUltimatic() const;
  bool Automatic() const { return mode_ != KeyerMode::kStraight; }
  bool HasMemory() const { return mode_ != KeyerMode::kStraight && mode_ != KeyerMode::kBug; }
  // An element or its space is under way at Position(): a mark due to end
  // there gives way to its space, while a space due to end there is over.
  bool UnderWay() const {
    return phase_ == Phase::kMark || (phase_ == Phase::kSpace && position_ < phaseEnd_);
  }
  bool Output() const { return markOn_ || straightOn_; }
  bool TakeChange(KeyChange& change);

  KeyerMode mode_;
  KeyerTiming timing_;
  int64_t position_;
  Phase phase_ = Phase::kIdle;
  int64_t phaseEnd_ = 0;
  Element element_ = Element::kNone;  // the element of the mark or space under way
  Paddles held_;                      // the latest reading
  bool ditMemory_ = false;
  bool dahMemory_ = false;
  // Press order: the count of presses seen when each paddle was last
  // pressed; the greater was pressed last.
  uint64_t presses_ = 0;
  uint64_t ditPressedAs_ = 0;
  uint64_t dahPressedAs_ = 0;
  bool markOn_ = false;      // an automatic element's mark is sounding
  bool straightOn_ = false;  // a paddle that acts as a straight key is held
  bool keyDown_ = false;     // the key as last reported
};

}  // namespace dovrik
