#include "settings/xdg_paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace dovrik {
namespace {

std::string BaseDirectory(const char* variable, const char* underHome) {
  const char* value = std::getenv(variable);
  // A relative value is invalid by the XDG rules and is passed over.
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  std::string base = home;
  if (base.back() != '/') base += '/';
  return base + underHome;
}

std::string Under(const std::string& base, const char* name) {
  if (base.empty()) return {};
  return base + (base.back() == '/' ? "" : "/") + name;
}

bool IsDirectory(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::string XdgConfigHome() { return BaseDirectory("XDG_CONFIG_HOME", ".config"); }
std::string XdgDataHome() { return BaseDirectory("XDG_DATA_HOME", ".local/share"); }
std::string DovrikConfigDirectory() { return Under(XdgConfigHome(), "dovrik"); }
std::string DovrikDataDirectory() { return Under(XdgDataHome(), "dovrik"); }
std::string SettingsFilePath() { return Under(DovrikConfigDirectory(), "settings.ini"); }

bool MakeDirectories(const std::string& directory) {
  if (directory.empty()) return false;
  for (size_t slash = directory.find('/', 1); ; slash = directory.find('/', slash + 1)) {
    const std::string part = directory.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return IsDirectory(directory);
}

}  // namespace dovrik
