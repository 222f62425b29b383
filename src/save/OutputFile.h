// The files the saver writes, made through the output layer
// (platform/OutputFolder.h) below the run's destination.
//
// The creator is a seam: tests put a writer there that fails where they want it
// to, `cat` one that writes to standard output, `--report` one that records.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/OutputFolder.h"

namespace vantor {

class DestinationTree;

// Creates the file that will become `path`; null on failure, with the reason in
// `error`.
using FileCreator = std::function<std::unique_ptr<OutputFile>(const std::string& path, std::string& error)>;

// The file that will become `path` below `destination` (null: none is open).
std::unique_ptr<OutputFile> CreateOutputFile(DestinationTree* destination, const std::string& path, std::string& error);

// True when something (a file, a folder, a link) stands at `path`.
bool PathExists(const std::string& path);

}  // namespace vantor
