// The configuration store: one text file of sections named by key paths
// ("VantorKeyProfVMWARE", "VT Windows\Cylinder", "Device Map", ...) with
// NAME=VALUE lines. It lives in $VANTOR_CONFIG_DIR, else $XDG_CONFIG_HOME/vantor,
// else ~/.config/vantor. Writes replace the file atomically (write, then rename).
#pragma once

#include <map>
#include <optional>
#include <string>

namespace vantor {

inline constexpr const char* kProductKey = "VantorKeyProfVMWARE";

class ConfigStore {
 public:
  // Loads the store at the default location (a missing file is an empty store).
  static ConfigStore Load();
  static ConfigStore LoadFrom(const std::string& path);
  static std::string DefaultPath();

  std::optional<std::string> get(const std::string& section, const std::string& name) const;
  void set(const std::string& section, const std::string& name, const std::string& value);
  void erase(const std::string& section, const std::string& name);
  void eraseSection(const std::string& section);
  bool hasSection(const std::string& section) const { return sections_.count(section) != 0; }
  // An empty section that exists (a key without values).
  void createSection(const std::string& section) { sections_[section]; }
  // Writes the store back; false when the file cannot be written.
  bool save() const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::map<std::string, std::map<std::string, std::string>> sections_;
};

}  // namespace vantor
