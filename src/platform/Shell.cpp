#include "platform/Shell.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace vantor {

bool OpenWithShell(const std::string& path) {
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(path.c_str()), nullptr};
  pid_t child = 0;
  if (::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vantor
