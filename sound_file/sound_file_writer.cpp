#include "sound_file/sound_file_writer.h"

#include <sndfile.h>

#include <cctype>

#include "platform/audio_format.h"

namespace dovrik {

namespace {

struct KnownFormat {
  const char* extension;
  SoundFileFormat format;
};

constexpr KnownFormat kKnownFormats[] = {
    {"wav", {SF_FORMAT_WAV | SF_FORMAT_PCM_16, "WAV"}},
    {"flac", {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "FLAC"}},
    {"ogg", {SF_FORMAT_OGG | SF_FORMAT_VORBIS, "Ogg Vorbis"}},
    {"opus", {SF_FORMAT_OGG | SF_FORMAT_OPUS, "Ogg Opus"}},
    {"mp3", {SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, "MP3"}},
};

SF_INFO InfoFor(const SoundFileFormat& format) {
  SF_INFO info{};
  info.samplerate = kSampleRate;
  info.channels = kChannels;
  info.format = format.libraryFormat;
  return info;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != static_cast<unsigned char>(b[i]))
      return false;
  }
  return true;
}

// The library's message as one line for ours: without its "Error : "
// prefix, line ends or trailing blanks.
std::string OneLine(const char* message) {
  std::string line = message != nullptr ? message : "unknown error";
  if (line.starts_with("Error : ")) line.erase(0, 8);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

std::optional<SoundFileFormat> SoundFileFormatFor(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  const std::string_view extension = name.substr(dot + 1);
  for (const KnownFormat& known : kKnownFormats) {
    if (SameIgnoringCase(extension, known.extension)) return known.format;
  }
  return std::nullopt;
}

bool CanWriteSoundFormat(const SoundFileFormat& format) {
  SF_INFO info = InfoFor(format);
  return sf_format_check(&info) != 0;
}

std::string KnownSoundFileExtensions() {
  std::string list;
  const size_t count = std::size(kKnownFormats);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) list += i + 1 == count ? " or " : ", ";
    list += '.';
    list += kKnownFormats[i].extension;
  }
  return list;
}

SoundFileWriter::~SoundFileWriter() {
  if (file_ != nullptr) sf_close(file_);
}

std::unique_ptr<SoundFileWriter> SoundFileWriter::Open(int fd, const SoundFileFormat& format,
                                                       std::string& error) {
  SF_INFO info = InfoFor(format);
  SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
  if (file == nullptr) {
    error = OneLine(sf_strerror(nullptr));
    return nullptr;
  }
  return std::unique_ptr<SoundFileWriter>(new SoundFileWriter(file));
}

bool SoundFileWriter::Write(std::span<const int16_t> samples) {
  if (file_ == nullptr) return false;
  const auto count = static_cast<sf_count_t>(samples.size());
  return sf_write_short(file_, samples.data(), count) == count;
}

std::string SoundFileWriter::Error() const {
  return OneLine(sf_strerror(file_));
}

bool SoundFileWriter::Close(std::string& error) {
  if (file_ == nullptr) {
    error = "the file is already closed";
    return false;
  }
  // A write error may only show once the encoder flushes, so ask for the
  // error state before closing as well as the close's own result.
  const int pending = sf_error(file_);
  if (pending != SF_ERR_NO_ERROR) error = OneLine(sf_strerror(file_));
  const int closed = sf_close(file_);
  file_ = nullptr;
  if (pending != SF_ERR_NO_ERROR) return false;
  if (closed != 0) {
    error = OneLine(sf_error_number(closed));
    return false;
  }
  return true;
}

}  // namespace dovrik
