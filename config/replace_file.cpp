#include "config/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

// Whether `name` is one of the temporary files of a save of the file whose
// base name starts `prefix` (that name and ".tmp-"): the prefix, the saving
// process's id, "-" and an attempt number, nothing else.
bool ParseTemporaryName(std::string_view name, std::string_view prefix, pid_t& owner) {
  if (name.substr(0, prefix.size()) != prefix) return false;
  name.remove_prefix(prefix.size());
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash > 9 || dash + 1 == name.size() ||
      name.size() - dash - 1 > 3) {
    return false;
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (i != dash && (name[i] < '0' || name[i] > '9')) return false;
  }
  owner = 0;
  for (size_t i = 0; i < dash; ++i) owner = owner * 10 + (name[i] - '0');
  return owner > 0;
}

bool ProcessIsAlive(pid_t process) {
  return kill(process, 0) == 0 || errno == EPERM;
}

// A save that was killed between creating its temporary file and renaming it
// left that file behind. Such a leftover is removed once the process that
// made it is gone; a save still running in another process keeps its own.
void RemoveLeftoverTemporaryFiles(const std::string& target) {
  const std::string directory = DirectoryPart(target);
  const std::string prefix = target.substr(directory.size()) + ".tmp-";
  DIR* listing = opendir(directory.empty() ? "." : directory.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    pid_t owner = 0;
    if (!ParseTemporaryName(entry->d_name, prefix, owner) || ProcessIsAlive(owner)) continue;
    const std::string leftover = directory + entry->d_name;
    struct stat status;
    if (lstat(leftover.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      unlink(leftover.c_str());
    }
  }
  closedir(listing);
}

// The old file may be replaced only when it does not exist yet, or when it
// is a regular file that could be opened for writing as it stands: a file
// made read-only keeps its content, and a FIFO or a device is never swapped
// for a regular file. Opening without O_TRUNC changes nothing; O_NONBLOCK
// keeps a FIFO whose name was swapped in meanwhile from blocking the save.
bool TargetMayBeReplaced(const std::string& target) {
  struct stat status;
  if (lstat(target.c_str(), &status) != 0) return errno == ENOENT;
  if (!S_ISREG(status.st_mode)) return false;
  const int fd = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat opened;
  const bool regular = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
  close(fd);
  return regular;
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
  RemoveLeftoverTemporaryFiles(target);
  if (!TargetMayBeReplaced(target)) return false;

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
