// What the fixture tests compare: a manifest of what was put on a volume
// (sha256sum format) and what `vantor recover` gave back, both as path ->
// sha256.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Shell.h"
#include "TempDir.h"
#include "TestEnv.h"

namespace vantor::test {

using Contents = std::map<std::string, std::string>;

// `vantor ARGUMENTS` with standard error folded in.
inline std::string Vantor(const std::string& arguments, int* code = nullptr) {
  return Shell("'" + VantorBin() + "' " + arguments + " 2>&1", code);
}

inline Contents Manifest(const std::string& file) {
  Contents contents;
  std::ifstream in(file);
  for (std::string sha, path; in >> sha && std::getline(in >> std::ws, path);) contents[path] = sha;
  return contents;
}

// Recovers everything with `arguments` into a new folder (expecting success)
// and returns what it holds.
inline Contents Recovered(const std::string& arguments) {
  TempDir out;
  int code = -1;
  const std::string report = Vantor("recover " + arguments + " --all --quiet -o '" + out.path() + "'", &code);
  EXPECT_EQ(code, 0) << arguments << "\n" << report;
  Contents contents;
  std::istringstream lines(Shell("cd '" + out.path() + "' && find . -type f -print0 | xargs -0 -r sha256sum"));
  for (std::string sha, path; lines >> sha && std::getline(lines >> std::ws, path);) contents[path.substr(2)] = sha;
  return contents;
}

}  // namespace vantor::test
