#include "platform/Launch.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace vantor {

// A short-lived shell starts the opener in the background and is waited for, so
// the opener belongs to init and no child is left unreaped. It fails when there
// is no opener to start.
bool OpenWithDefaultProgram(const std::string& path) {
  std::string shell = "sh", flag = "-c", script = "command -v xdg-open >/dev/null || exit 3; xdg-open \"$1\" >/dev/null 2>&1 &", name = "sh";
  char* argv[] = {shell.data(), flag.data(), script.data(), name.data(), const_cast<char*>(path.c_str()), nullptr};
  pid_t child = 0;
  if (::posix_spawnp(&child, "sh", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vantor
