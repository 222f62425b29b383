// Ctrl-C (SIGINT) and SIGTERM stop the command as the wizard's Stop does: the
// worker sees the request at its next gate, the file being written is given up,
// the logs and the report are written, and the command exits with 130. A second
// signal ends the process at once (nothing is left under a real name even then:
// files are written under temporary names until complete).
#pragma once

namespace vantor::cli {

inline constexpr int kExitInterrupted = 130;

void InstallInterruptHandlers();
// True once SIGINT or SIGTERM has arrived.
bool Interrupted();

}  // namespace vantor::cli
