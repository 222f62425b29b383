// The settings of the integration tests: VANTOR_FIXTURES, VANTOR_BIN and
// VANTOR_SOURCE_DIR from the environment, else the build's own values.
#pragma once

#include <cstdlib>
#include <string>

namespace vantor::test {

inline std::string TestSetting(const char* name) {
  if (const char* value = std::getenv(name); value != nullptr && *value != 0) return value;
  const std::string key = name;
#ifdef VANTOR_DEFAULT_FIXTURES
  if (key == "VANTOR_FIXTURES") return VANTOR_DEFAULT_FIXTURES;
  if (key == "VANTOR_BIN") return VANTOR_DEFAULT_BIN;
  if (key == "VANTOR_SOURCE_DIR") return VANTOR_DEFAULT_SOURCE_DIR;
#endif
  return {};
}

}  // namespace vantor::test
