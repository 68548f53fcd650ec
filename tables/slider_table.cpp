#include "tables/slider_table.h"

namespace dovrik {

// The start values are the built-in defaults until the configuration file
// replaces them.
// clang-format off
SliderSpec SliderTable[kSliderCount + 1] = {
    {kSpeedScrollBarId, 6, 36, 12, "[SPEED]"},
    {kGroupsScrollBarId, 1, 100, 25, "[GROUPS]"},
    {kRatioScrollBarId, 2, 5, 3, "[RATIO]"},
    {kGroupSpaceScrollBarId, 1, 4, 1, "[GROUPSPACE]"},
    {kCharSpaceScrollBarId, 1, 4, 1, "[CHARSPACE]"},
    {kVolumeScrollBarId, 0, 100, 100, "[VOLUME]"},
    {kNoiseScrollBarId, 0, 100, 0, "[NOISE]"},
    {kToneScrollBarId, 600, 1500, 900, "[TONE]"},
    {kAttackScrollBarId, 0, 75, 5, "[ATTACK]"},
    // The dialog captions this one "Jitters:", but its key is "[JITTER]".
    {kJitterScrollBarId, 0, 50, 0, "[JITTER]"},
    {0, 0, 0, 0, nullptr},
};
// clang-format on

}  // namespace dovrik
