#include "cli/Interrupt.h"

#include <csignal>

namespace vantor::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) { interrupted = 1; }

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A file that may grow no further (a size limit) fails its write, which is
  // reported; the signal would end the process without a word.
  std::signal(SIGXFSZ, SIG_IGN);
}

bool Interrupted() { return interrupted != 0; }

}  // namespace vantor::cli
