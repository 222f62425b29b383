// The files the saver writes. Each is written under a hidden temporary name in
// its destination folder (".vantor-PID-N.part") and only renamed to its real name
// once every byte is written and closed, so that a full disk, a failed write or
// an interrupted run never leaves a short file under a real name. Nothing is
// opened through a symbolic link, and no existing file's mode is changed: a file
// that is replaced is replaced by the rename, whatever its mode.
//
// The creator is a seam: tests put a writer there that fails where they want it to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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
  // `time` is set) and puts it under its real name: replacing what stands there
  // when `replace`, else only when nothing does. False on any failure; the
  // temporary file is then gone and error() says why.
  virtual bool commit(const FileTime* time, bool replace) = 0;
  // Why the last write or commit failed ("No space left on device", ...).
  virtual std::string error() const = 0;
};

// Creates the file that will become `path`; null on failure, with the reason in
// `error`.
using FileCreator = std::function<std::unique_ptr<OutputFile>(const std::string& path, std::string& error)>;

std::unique_ptr<OutputFile> CreateOutputFile(const std::string& path, std::string& error);

// True when something (a file, a folder, a link) stands at `path`.
bool PathExists(const std::string& path);

}  // namespace vantor
