#pragma once

namespace dovrik {

// Accessible names, values and descriptions for what a screen reader
// (AT-SPI on Linux) cannot learn from Qt's own interfaces: each scroll bar
// reads as its group box's caption and its value label, the strip chart and
// the About picture as images with a name and a description. Safe to call more than once; UI
// thread.
void InstallAccessibleInterfaces();

// The texts a screen reader reads for the controls that show none.
inline constexpr const char* kOutputBoxName = "Output";
inline constexpr const char* kOutputVerticalScrollBarName = "Output vertical scroll bar";
inline constexpr const char* kOutputHorizontalScrollBarName = "Output horizontal scroll bar";
inline constexpr const char* kStripChartName = "Strip chart";
inline constexpr const char* kStripChartDescription = "keying trace of the last four seconds";
inline constexpr const char* kAboutPictureName = "Dovrik picture";
inline constexpr const char* kAboutPictureDescription =
    "A hand telegraph key, a straight key, on a speckled stone base, against concentric "
    "wooden rings, with the name Dovrik in large yellow letters across the top.";

}  // namespace dovrik
