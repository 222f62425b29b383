// Shared handling of --help and of usage errors for the subcommands.
#pragma once

#include <charconv>
#include <iostream>
#include <string>

#include "cli/Commands.h"

namespace vantor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

inline bool WantsHelp(const Arguments& args) {
  for (const auto& arg : args)
    if (arg == "--help" || arg == "-h") return true;
  return false;
}

inline int UsageError(const std::string& usage, const std::string& problem) {
  std::cerr << "vantor: " << problem << "\nusage: " << usage << "\n";
  return kExitUsage;
}

// Reads the value of -p N; returns a problem text, or empty when it is a number.
inline std::string ParsePartitionNumber(const std::string& text, size_t& partition) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), partition);
  if (error != std::errc() || end != text.data() + text.size()) return "not a partition number: '" + text + "'";
  return {};
}

// An argument left over that looks like an option, as a problem text; empty
// when there is none.
inline std::string UnknownOption(const Arguments& rest) {
  for (const auto& arg : rest)
    if (arg.size() > 1 && arg[0] == '-') return "unknown option " + arg;
  return {};
}

inline int Failure(const std::string& message) {
  std::cerr << "vantor: " << message << "\n";
  return kExitFailed;
}

}  // namespace vantor::cli
