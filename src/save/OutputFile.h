// The files the saver writes. An existing file is made writable first, then every
// file is created or truncated and written through a large buffer. The creator is
// a seam: tests put a writer there that fails where they want it to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vantor {

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // False when the bytes could not be written (the saver goes on regardless).
  virtual bool write(const uint8_t* data, size_t length) = 0;
  // Writes what is buffered and closes; false on a failure.
  virtual bool close() = 0;
};

using FileCreator = std::function<std::unique_ptr<OutputFile>(const std::string& path)>;

// Creates or truncates `path` (never through a symbolic link); null on failure.
std::unique_ptr<OutputFile> CreateOutputFile(const std::string& path);

// True when something (a file, a folder, a link) stands at `path`.
bool PathExists(const std::string& path);

}  // namespace vantor
