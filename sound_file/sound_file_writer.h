#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// libsndfile's handle (SNDFILE), declared here so its header stays private.
struct sf_private_tag;

namespace dovrik {

// Sound files of 16-bit mono samples at 22,050 samples per second, written
// through libsndfile. The only place that includes its header.

// A container and encoding the program knows by a file name's extension.
struct SoundFileFormat {
  int libraryFormat;  // libsndfile's SF_FORMAT_* major | minor code
  const char* name;   // "WAV", "FLAC", "Ogg Vorbis", "Ogg Opus", "MP3"
};

// The format for the extension of `path` (after its last dot, in any case):
// .wav, .flac, .ogg, .opus, .mp3. None for any other name.
std::optional<SoundFileFormat> SoundFileFormatFor(std::string_view path);

// Whether the installed libsndfile can write the format with our sample
// rate and one channel (Ogg Opus, for one, takes no 22,050 Hz).
bool CanWriteSoundFormat(const SoundFileFormat& format);

// The extensions known, for messages: ".wav, .flac, .ogg, .opus or .mp3".
std::string KnownSoundFileExtensions();

// One sound file being written into a file descriptor that the caller owns
// and closes after Close (so that it can check the close itself).
class SoundFileWriter {
 public:
  // Starts a file of `format` in the empty file `fd`. Null, with the
  // library's reason in `error`, when it cannot.
  static std::unique_ptr<SoundFileWriter> Open(int fd, const SoundFileFormat& format,
                                               std::string& error);
  ~SoundFileWriter();
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  // Appends samples; false when not all of them could be written.
  bool Write(std::span<const int16_t> samples);

  // The library's reason for the last failure, for messages.
  std::string Error() const;

  // Finishes the file: the last encoder frames, the headers with their
  // lengths. False, with the library's reason, when that fails. Writing after
  // Close is an error.
  bool Close(std::string& error);

 private:
  explicit SoundFileWriter(sf_private_tag* file) : file_(file) {}
  sf_private_tag* file_;  // null once closed
};

}  // namespace dovrik
