#pragma once

#include <QImage>

// The program's artwork, drawn from code so that it can be regenerated
// exactly. Used only by the generator program (target dovrik_artwork); the
// program itself loads the committed PNGs from the Qt resource system.
namespace dovrik::artwork {

// The About picture: 300 x 300, opaque, 24 bits per pixel. A straight key on
// a speckled stone base against concentric wooden rings, "Dovrik" in large
// yellow letters across the top.
QImage DrawAboutPicture();

// The program icon at 16 or 32 pixels, in a 16-colour palette with one
// transparent entry: the About picture's key on its stone slab, simplified.
QImage DrawSmallIcon(int size);

// The same icon at a larger size (48, 64, ...) for the desktop, in full
// colour with smooth edges.
QImage DrawDesktopIcon(int size);

}  // namespace dovrik::artwork
