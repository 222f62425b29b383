// The one way the program writes files: saved files, raw output and its report,
// image pieces and their map, state files, reports.
//
// A destination is opened once as a folder handle and checked: it is a folder
// and not a link, it can be written, and it is neither a source being read nor
// on the device of one (writing there would overwrite the very sectors being
// recovered). Every file and folder below it is made relative to that handle,
// one name at a time and never through a link (O_NOFOLLOW at every level), so a
// folder swapped for a link while the run goes on leads nowhere. A new file is
// written under a hidden temporary name (".vantor-PID-N.part") and renamed to its
// real name only once every byte is written and closed: a full disk, a failed
// write or an interrupted run never leaves a short file under a real name.
// Nothing is deleted, truncated or has its mode changed that this process did not
// create.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileTimes.h"

namespace vantor {

class OutputFile {
 public:
  // Removes the temporary file when it was not committed.
  virtual ~OutputFile() = default;
  // False when the bytes could not be written; error() then says why, and the
  // file is to be given up.
  virtual bool write(const uint8_t* data, size_t length) = 0;
  // Writes what is buffered, closes, gives the file its last-write time (when
  // `time` is set) and puts it under its real name: replacing a regular file
  // that stands there when `replace` (never a link or a folder), else only when
  // nothing does. False on any failure; the temporary file is then gone and
  // error() says why.
  virtual bool commit(const FileTime* time, bool replace) = 0;
  // Why the last write or commit failed ("No space left on device", ...).
  virtual std::string error() const = 0;
};

// What stands at a name, links not followed.
enum class EntryKind { kNone, kFile, kFolder, kOther };

// Which folder a handle is open on: its device and inode.
struct FolderIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FolderIdentity&) const = default;
};

class OutputFolder {
 public:
  // Takes the open folder handle `fd`; `path` names it in messages.
  OutputFolder(int fd, std::string path);
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

  // The subfolder `name` (one name, no "/"), made when it is missing and `make`
  // is set (`made` then tells whether this call made it); null with the reason
  // when it cannot be opened as a folder (a link or a file stands there, ...).
  std::unique_ptr<OutputFolder> child(const std::string& name, bool make, std::string& problem,
                                      bool* made = nullptr) const;
  // The folder `relative` ("a/b/c", empty for this one) below this one, each
  // level opened as child() opens it.
  std::unique_ptr<OutputFolder> below(const std::string& relative, bool make, std::string& problem) const;
  // The folder this one lies in, named `path` in messages, when that is still
  // the folder `expected` (as identity() told it when it was opened): null when
  // it is not, the folder having been moved, or when it cannot be opened.
  std::unique_ptr<OutputFolder> parent(const FolderIdentity& expected, std::string path) const;
  FolderIdentity identity() const;
  // A new file that becomes `name` when committed; null with the reason.
  std::unique_ptr<OutputFile> create(const std::string& name, std::string& error) const;
  // Opens the regular file `name` for reading and writing, made when missing
  // and `create` is set (`made` then tells whether it was); never through a link,
  // and never anything but a regular file. -1 with the reason.
  int openFile(const std::string& name, bool create, std::string& error, bool* made = nullptr) const;
  EntryKind kindOf(const std::string& name) const;
  // Removes the file `name`, which this run made. True when it is gone.
  bool removeMade(const std::string& name) const;
  // Gives this folder its last-write time.
  void setTime(const FileTime& time) const;

 private:
  int fd_;
  std::string path_;
};

// Opens `path` as a destination, making it (and the folders leading to it) when
// missing, and checks it; `sources` are the files or devices being read. Null
// with the reason ("notes.txt is a file, not a folder", ...) when it cannot
// serve; the folders made for it are then removed again.
std::unique_ptr<OutputFolder> OpenDestination(const std::string& path, const std::vector<std::string>& sources,
                                              std::string& problem);

// Opens the folder of the file `path` as a destination and returns the file's
// own name in `name`; null with the reason.
std::unique_ptr<OutputFolder> OpenFolderOf(const std::string& path, const std::vector<std::string>& sources,
                                           std::string& name, std::string& problem);

// Writes `bytes` whole as the file `path` (its folder checked as a destination),
// replacing what stands at that name: never through a link, never left short.
// Empty when written, else why not.
std::string WriteWholeFile(const std::string& path, const std::vector<std::string>& sources, const std::string& bytes);

}  // namespace vantor
