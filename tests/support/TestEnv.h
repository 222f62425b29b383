// Where the tests find the build's fixtures folder, the `vantor` binary and the
// source tree: the environment variables VANTOR_FIXTURES, VANTOR_BIN and
// VANTOR_SOURCE_DIR when set, else the paths that tests/CMakeLists.txt compiled in.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vantor::test {

inline std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0 ? std::string(value) : std::string(fallback);
}

#ifndef VANTOR_DEFAULT_FIXTURES
#define VANTOR_DEFAULT_FIXTURES "build/fixtures"
#endif
#ifndef VANTOR_DEFAULT_BIN
#define VANTOR_DEFAULT_BIN ""
#endif
#ifndef VANTOR_DEFAULT_INTERRUPT_LIB
#define VANTOR_DEFAULT_INTERRUPT_LIB ""
#endif
#ifndef VANTOR_DEFAULT_WRITE_WATCH
#define VANTOR_DEFAULT_WRITE_WATCH ""
#endif
#ifndef VANTOR_DEFAULT_SWAP_LIB
#define VANTOR_DEFAULT_SWAP_LIB ""
#endif
#ifndef VANTOR_DEFAULT_SOURCE_DIR
#define VANTOR_DEFAULT_SOURCE_DIR "."
#endif

inline std::string FixturesDir() { return EnvOr("VANTOR_FIXTURES", VANTOR_DEFAULT_FIXTURES); }
inline std::string VantorBin() { return EnvOr("VANTOR_BIN", VANTOR_DEFAULT_BIN); }
inline std::string InterruptLib() { return EnvOr("VANTOR_INTERRUPT_LIB", VANTOR_DEFAULT_INTERRUPT_LIB); }
inline std::string WriteWatchLib() { return EnvOr("VANTOR_WRITE_WATCH", VANTOR_DEFAULT_WRITE_WATCH); }
inline std::string SwapFolderLib() { return EnvOr("VANTOR_SWAP_LIB", VANTOR_DEFAULT_SWAP_LIB); }
inline std::string SourceDir() { return EnvOr("VANTOR_SOURCE_DIR", VANTOR_DEFAULT_SOURCE_DIR); }

// Builds the fixture set NAME with tests/fixtures/make-NAME-fixtures.sh (it
// keeps its own cache stamp) and returns its folder; empty when the script
// failed or did not make `made` (a set whose tools this machine lacks).
inline std::string BuiltFixtures(const std::string& name, const std::string& made) {
  const std::string folder = FixturesDir() + "/" + name;
  const std::string script = SourceDir() + "/tests/fixtures/make-" + name + "-fixtures.sh";
  if (std::system(("VANTOR_FIXTURES='" + FixturesDir() + "' '" + script + "' 2>/dev/null").c_str()) != 0) return {};
  return std::filesystem::exists(folder + "/" + made) ? folder : std::string();
}

}  // namespace vantor::test
