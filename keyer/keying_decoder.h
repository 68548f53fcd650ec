#pragma once

#include <cstdint>

#include "keyer/key_event_ring.h"
#include "tables/decode_tree.h"

namespace dovrik {

class DialogControls;

// The four classification limits of the keying decoder and the silence after
// which the key sampler appends a pause marker, all in milliseconds. They
// always satisfy shortLimit < dotDashLimit < wordLimit < pauseLimit.
struct KeyingLimits {
  // Intervals shorter than this are too short.
  int32_t shortLimit = 0;
  // Dot below, dash from here; element gap below, character gap from here.
  int32_t dotDashLimit = 0;
  // Dash below, over-long dash from here; character gap below, word gap from here.
  int32_t wordLimit = 0;
  // Word gap below, long pause from here.
  int32_t pauseLimit = 0;
  // 2 x pauseLimit: what the key sampler's `pauseTimeout` is set to.
  int32_t pauseTimeout = 0;
};

// Computes the limits from the speed setting (groups per minute, 6..36) and
// the ratio setting (dash length in dots, 2..5), in single precision and
// rounded up, so that every slider combination gives the exact ceilings of
// dot / 3, (dot + dash) / 2, 4 dash / 3 and 8 dash / 3 with a dot of
// 60000 / (41 x speed) ms. Example: speed 12, ratio 3 give 41, 244, 488, 976
// and a timeout of 1952.
KeyingLimits ComputeKeyingLimits(int32_t speed, int32_t ratio);

// The decoder of one keying exercise. It lives on the worker thread and
// reads `toneEvents` of the sampler's state; nothing in it is shared.
struct KeyingDecoder {
  // Index in toneEvents of the next entry to classify.
  int32_t decodePos = 0;
  // The node reached by the elements keyed so far in the current character.
  const MorseTreeNode* node = DecodeTreeRoot();
  // The limits of KeyingLimits, in ms.
  int32_t shortLimit = 0;
  int32_t dotDashLimit = 0;
  int32_t wordLimit = 0;
  int32_t pauseLimit = 0;

  // Overrun detection: the time the slot at `decodePos` held when it was last
  // read. Tone times are distinct tick times, so a different time there means
  // the sampler has appended a whole ring since and the entry is lost.
  uint32_t decodeTime = 0;
  // After an overrun the partial character is dropped: nothing is appended
  // until a character boundary (a character gap or a pause marker) is seen.
  bool resynchronising = false;
  // How many overruns were detected in this exercise (for tests and logs).
  int32_t overruns = 0;
};

// A decoder at the start of an exercise: limits from the settings,
// decodePos 0, node at the root. It expects a freshly zeroed ring.
KeyingDecoder MakeKeyingDecoder(int32_t speed, int32_t ratio);

// One decoder pass (worker thread): classifies every pair of tone events up
// to the ring's head as it stands at the start of the pass (read once, with
// acquire semantics) and appends each result to the output box, one call of
// dialog.AppendToOutputBox per text: the character ("K"), the character and
// " " ("K "), "_" ("K_"), ";" and " " ("K; "), or a mark "f", "s" or "^".
// If the decoder has fallen a whole ring behind, it goes back to the root
// and continues with the newest entries without appending garbage.
void DecodePending(KeyingDecoder& decoder, const KeyEventRing& toneEvents, DialogControls& dialog);

}  // namespace dovrik
