// Runs a shell command for a test: its standard output, and its exit code in
// `code` (-1 when it did not exit normally).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vantor::test {

inline std::string Shell(const std::string& command, int* code = nullptr) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  int status = ::pclose(pipe);
  if (code != nullptr) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

}  // namespace vantor::test
