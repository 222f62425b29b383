#include "platform/Folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vantor {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0 ? std::string(value) : fallback;
}

std::string HomeFolder() { return EnvOr("HOME", "/tmp"); }

}  // namespace

std::string DefaultInstallFolder() {
  return EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share") + "/vantor";
}

std::string TempFolder() { return EnvOr("TMPDIR", "/tmp"); }

// Another user can put a link where a shared name would go; a folder made by
// mkdtemp is ours alone.
std::string PrivateTempFolder() {
  static const std::string folder = [] {
    std::string pattern = TempFolder() + "/vantor-XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }();
  return folder;
}

bool MakeFolderPath(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

std::string FileNamePart(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace vantor
