#pragma once

#include <QPainter>

// The straight key on its stone base, shared by the About picture and the
// desktop icon. Drawn in the About picture's 300 x 300 coordinates; callers
// scale the painter for other sizes.
namespace dovrik::artwork {

// The slab's outline in scene coordinates, for callers that frame it.
constexpr double kStoneLeft = 22.0;
constexpr double kStoneRight = 278.0;
constexpr double kStoneTop = 194.0;
constexpr double kStoneBottom = 268.0;

// The base's soft shadow on the background, then the base, then the key.
void DrawKeyOnStone(QPainter& painter);

}  // namespace dovrik::artwork
