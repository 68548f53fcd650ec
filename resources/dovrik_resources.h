#pragma once

// The program's images in Qt's resource system. They live in the static
// library dovrik_resources, whose registration a linker would otherwise drop:
// call InitDovrikResources once on the UI thread before loading any of them.
namespace dovrik {

// The About picture: 300 x 300 pixels, 24 bits per pixel.
inline constexpr char kAboutPicturePath[] = ":/dovrik/about.png";
// The program icon, 32 x 32 and 16 x 16, 16 colours each.
inline constexpr char kIcon32Path[] = ":/dovrik/icon32.png";
inline constexpr char kIcon16Path[] = ":/dovrik/icon16.png";

// Registers the images above. Calling it again does nothing.
void InitDovrikResources();

}  // namespace dovrik
