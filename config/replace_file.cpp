#include "config/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace dovrik {

namespace {

constexpr int kMaximumLinks = 40;

std::string DirectoryPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes everything, pushes it to the disk and closes. Takes ownership of
// `fd` whatever happens.
bool WriteAndClose(int fd, std::string_view contents) {
  std::FILE* file = fdopen(fd, "w");
  if (file == nullptr) {
    close(fd);
    return false;
  }
  bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  written = written && std::fflush(file) == 0;
  written = written && fsync(fileno(file)) == 0;
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

}  // namespace

int CreateTemporaryFileBeside(const std::string& target, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

std::string ResolveSymbolicLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop <= kMaximumLinks; ++hop) {
    struct stat status;
    if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
    std::string target(static_cast<size_t>(status.st_size) + 1, '\0');
    const ssize_t length = readlink(current.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<size_t>(length) >= target.size()) return std::string();
    target.resize(static_cast<size_t>(length));
    current = (!target.empty() && target[0] == '/') ? target : DirectoryPart(current) + target;
  }
  return std::string();  // a loop of links, or too long a chain
}

bool ReplaceFileContents(const std::string& path, std::string_view contents) {
  const std::string target = ResolveSymbolicLinks(path);
  if (target.empty()) return false;

  std::string temporaryName;
  const int fd = CreateTemporaryFileBeside(target, temporaryName);
  if (fd < 0) return false;

  // An existing file keeps its permissions; the owner of the new file may
  // still differ when another user's file is replaced.
  struct stat old;
  if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);

  if (!WriteAndClose(fd, contents) || std::rename(temporaryName.c_str(), target.c_str()) != 0) {
    unlink(temporaryName.c_str());
    return false;
  }
  return true;
}

}  // namespace dovrik
