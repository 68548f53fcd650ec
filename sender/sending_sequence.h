#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/dialog_controls.h"
#include "sender/noise_cursor.h"
#include "sender/random_source.h"
#include "sender/sending_parameters.h"
#include "tables/character_table.h"

namespace dovrik {

// The CharacterTable rows whose buttons are ticked, in table order.
struct TickedRows {
  std::array<uint8_t, kCharacterCount> rows{};
  int count = 0;
};

TickedRows CollectTickedRows(DialogControls& dialog);

// Everything a sending exercise reads from the dialog when it starts.
struct SendingSettings {
  bool preamble = false;  // the "VVV=" button
  int32_t groups = 0;     // 1 .. 100
  int32_t volume = 0;     // percent
  SendingSliders sliders;
};

// Reads the "VVV=" button, then the scroll bars in the exercise's fixed
// order: speed, groups, ratio, character space, group space, tone, jitter,
// attack, volume, noise. `volumeRead` runs right after the volume has been
// read, before the noise (the exercise sets the device volume there).
SendingSettings ReadSendingSettings(DialogControls& dialog,
                                    const std::function<void(int32_t volume)>& volumeRead = {});

// The samples of one lead-in buffer: one second, or the whole buffer when
// it is shorter.
int32_t LeadInSamples(const SendingParameters& parameters);

// The sound of one sending exercise, buffer by buffer in playing order: two
// lead-in buffers, the preamble while it is due, then groups of five
// characters drawn from the ticked rows. The sending exercise hands each
// buffer to the wave-out device and the practice file writer to a sound
// file, so both make the very same samples and draw the same groups.
// Borrows the generator and the cursor; allocates nothing. One thread.
class SendingSequence {
 public:
  SendingSequence(const SendingParameters& parameters, const TickedRows& ticked, bool preamble,
                  RandomSource& random, NoiseCursor& cursor)
      : parameters_(parameters),
        ticked_(ticked),
        preamblePending_(preamble),
        random_(random),
        cursor_(cursor) {}

  // One lead-in buffer of LeadInSamples samples: the first fades in (`ramp`),
  // the second is at the full noise level. Gives the number of samples.
  int32_t FillLeadIn(std::span<int16_t> buffer, bool ramp);

  // What SynthesizeNext made: its sample count (none when it does not fit
  // the buffer) and whether it was a group (false for the preamble, which
  // leaves no text and is not counted).
  struct Buffer {
    std::optional<int32_t> samples;
    bool isGroup = false;
  };

  // The preamble if it is still due, else a new group: five draws from the
  // generator, each a ticked row, whose characters are appended to `text`.
  // Synthesised at the start of `buffer` (capacity samples). The ticked rows
  // must not be empty.
  Buffer SynthesizeNext(std::span<int16_t> buffer, std::string& text);

 private:
  const SendingParameters& parameters_;
  const TickedRows& ticked_;
  bool preamblePending_;
  RandomSource& random_;
  NoiseCursor& cursor_;
};

}  // namespace dovrik
