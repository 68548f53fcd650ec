#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "sender/noise_cursor.h"
#include "sender/sending_parameters.h"

namespace dovrik {

// The codes of V, V, V and = run together, synthesised as one single
// character: 17 elements with element gaps only, then one character space
// and one group space.
inline constexpr char PreamblePattern[] = "...-...-...--...-";

// Writes `count` samples of background noise at the start of `buffer`
// (at most buffer.size()), advancing the cursor by one per sample. With
// `ramp` the noise fades in linearly from silence over the samples written
// (sample k of n is scaled by k / n); without it every sample is at the full
// noise level. At noise 0 every sample is 0. Allocates nothing; worker thread.
void FillLeadIn(std::span<int16_t> buffer, int32_t count, bool ramp,
                const SendingParameters& parameters, NoiseCursor& cursor);

// Synthesises one group into the start of `buffer` and gives the number of
// samples written, or std::nullopt when the group needs more samples than the
// buffer holds (nothing is written past its end; the caller ends the
// exercise). `patterns` are element patterns of '.' (dot) and anything else
// (dash): the five CharacterTable patterns of a group, or the PreamblePattern
// alone. The group ends with its own group space. The cursor runs on from
// wherever the previous buffer left it. Allocates nothing; worker thread.
std::optional<int32_t> SynthesizeGroup(std::span<const char* const> patterns,
                                       std::span<int16_t> buffer,
                                       const SendingParameters& parameters, NoiseCursor& cursor);

}  // namespace dovrik
