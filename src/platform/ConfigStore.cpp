#include "platform/ConfigStore.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Folders.h"
#include "platform/OutputFolder.h"

namespace vantor {
namespace {

std::string ConfigFolder() {
  if (const char* dir = std::getenv("VANTOR_CONFIG_DIR"); dir != nullptr && *dir != 0) return dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != 0)
    return std::string(xdg) + "/vantor";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.config/vantor";
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string ConfigStore::DefaultPath() { return ConfigFolder() + "/config.ini"; }

ConfigStore ConfigStore::Load() { return LoadFrom(DefaultPath()); }

ConfigStore ConfigStore::LoadFrom(const std::string& path) {
  ConfigStore store;
  store.path_ = path;
  std::ifstream in(path);
  std::string line;
  std::string section;
  while (std::getline(in, line)) {
    std::string text = Trimmed(line);
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text.front() == '[' && text.back() == ']') {
      section = text.substr(1, text.size() - 2);
      store.sections_[section];
      continue;
    }
    size_t equals = text.find('=');
    if (equals == std::string::npos) continue;
    store.sections_[section][Trimmed(text.substr(0, equals))] = Trimmed(text.substr(equals + 1));
  }
  return store;
}

std::optional<std::string> ConfigStore::get(const std::string& section, const std::string& name) const {
  auto s = sections_.find(section);
  if (s == sections_.end()) return std::nullopt;
  auto v = s->second.find(name);
  if (v == s->second.end()) return std::nullopt;
  return v->second;
}

void ConfigStore::set(const std::string& section, const std::string& name, const std::string& value) {
  sections_[section][name] = value;
}

void ConfigStore::erase(const std::string& section, const std::string& name) {
  auto s = sections_.find(section);
  if (s != sections_.end()) s->second.erase(name);
}

void ConfigStore::eraseSection(const std::string& section) { sections_.erase(section); }

bool ConfigStore::save() const {
  if (!MakeFolderPath(FolderPart(path_))) return false;
  std::ostringstream text;
  for (const auto& [section, values] : sections_) {
    text << '[' << section << "]\n";
    for (const auto& [name, value] : values) text << name << '=' << value << '\n';
    text << '\n';
  }
  return WriteWholeFile(path_, {}, text.str()).empty();
}

}  // namespace vantor
