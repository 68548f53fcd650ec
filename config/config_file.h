#pragma once

#include <cstddef>
#include <string>

#include "platform/dialog_controls.h"

namespace dovrik {

// The configuration file carries the settings held in the main dialog's
// controls from one run to the next. All three run on the UI thread: load and
// InitSliders once at start-up, save once after the message loop has ended.
// None of them ever fails visibly; the path defaults to "Dovrik.ini" in the
// current working directory.
inline constexpr const char* kConfigFileName = "Dovrik.ini";

// A settings file is a few kilobytes; anything larger is no settings file.
inline constexpr size_t kLargestConfigFileBytes = size_t{1} << 20;

// Reads the file, if it can be opened: ticks and unticks check buttons at
// once and replaces SliderTable start values. A missing or unreadable file
// changes nothing; so does anything but a regular file (a FIFO, a device, a
// directory) and a file larger than kLargestConfigFileBytes.
void LoadConfigFile(DialogControls& dialog, const std::string& path = kConfigFileName);

// Gives every scroll bar its row's range and moves it to the row's start
// value through the dialog's own thumb-position handling, which also writes
// the value label.
void InitSliders(DialogControls& dialog);

// The 155 lines of the file for the controls as they stand now.
std::string FormatConfigFile(DialogControls& dialog);

// Writes the file from the controls as they stand. The new text goes to a
// temporary file beside the old one and replaces it only once every byte has
// been written and the file closed; on any failure the old file stays as it
// was. If the path is a symbolic link, the link stays and its target is
// replaced. Returns whether the file was replaced (the program itself ignores
// the result).
bool SaveConfigFile(DialogControls& dialog, const std::string& path = kConfigFileName);

}  // namespace dovrik
