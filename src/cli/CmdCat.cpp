// vantor cat SOURCE [VOLUME] PATH: one file of the catalog, as `scan` and `find`
// print its path, written to standard output by the saver's own readers, so
// that it can be looked at or piped without saving a tree.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "catalog/CatalogPaths.h"
#include "browser/BuildFolderTree.h"
#include "cli/CliHost.h"
#include "cli/Interrupt.h"
#include "cli/VolumeCommand.h"
#include "cli/Usage.h"
#include "save/SaveTree.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

class StandardOutput : public OutputFile {
 public:
  bool write(const uint8_t* data, size_t length) override {
    while (length > 0) {
      ssize_t done = ::write(STDOUT_FILENO, data, length);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) {
        error_ = std::strerror(errno);
        return false;
      }
      data += done;
      length -= static_cast<size_t>(done);
    }
    return true;
  }
  bool commit(const FileTime*, bool) override { return true; }
  std::string error() const override { return error_; }

 private:
  std::string error_;
};

}  // namespace

int CatCommand(const Arguments& arguments) {
  const std::string usage = "vantor cat SOURCE " + kVolumeCommandUsage + " PATH";
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nScans file system N (or loads a saved scan with --state) and writes the content of the\n"
                 "file at PATH (its path under Root as 'scan' and 'find' print it) to standard output,\n"
                 "deleted or not, read as 'recover' reads it. Nothing is written anywhere else.\n"
              << kCodePageHelp << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  VolumeCommand command;
  if (std::string problem = TakeVolumeCommand(args, command); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 2) return UsageError(usage, "cat takes a SOURCE and a PATH");
  command.host.quiet = true;  // standard output carries the file; no progress beside it
  Session session;
  CliHost host(command.host);
  ScanReport report;
  if (int code = OpenAndScan(session, host, command, args[0], report); code >= 0) return code;
  const std::string& path = args[1];
  CatalogPaths paths(session.catalog, RootKey(session.state), static_cast<int16_t>(session.state.selectedFileSystem));
  for (size_t i = 0; i < session.catalog.folders().size(); ++i)
    if (session.catalog.folders()[i].fileSystemNumber == session.state.selectedFileSystem && paths.FolderPath(i) == path)
      return Failure("'" + path + "' is a folder");
  const FileRecord* file = nullptr;
  for (size_t i = 0; i < session.catalog.files().size() && file == nullptr; ++i)
    if (paths.FilePath(i) == path) file = &session.catalog.files()[i];
  if (file == nullptr) return Failure("no file '" + path + "' in the catalog");
  session.createFile = [](const std::string&, std::string&) { return std::make_unique<StandardOutput>(); };
  session.savingRun.Reset();
  if (SaveCatalogFile(session, path, *file, false)) return kExitOk;
  if (Interrupted()) return kExitInterrupted;
  const auto& failed = session.savingRun.notSaved;
  return Failure("cannot write '" + path + "'" + (failed.empty() ? std::string() : ": " + failed.back().reason));
}

}  // namespace vantor::cli
