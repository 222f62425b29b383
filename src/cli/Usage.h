// Shared handling of --help and of usage errors for the subcommands.
#pragma once

#include <charconv>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "core/OemCodePage.h"

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

// Takes --codepage N (the OEM code page of FAT short names) out of `args`;
// returns a problem text, or empty when it is absent or a known page.
inline std::string TakeCodePage(Arguments& args, uint16_t& page) {
  Arguments rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--codepage") {
      rest.push_back(args[i]);
      continue;
    }
    if (i + 1 >= args.size()) return "--codepage needs a code page number";
    const std::string& text = args[++i];
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), page);
    if (error != std::errc() || end != text.data() + text.size() || !IsKnownCodePage(page))
      return "unknown code page '" + text + "' (known: " + kKnownOemCodePages + ")";
  }
  args = rest;
  return {};
}
inline constexpr const char* kCodePageHelp =
    "--codepage N reads FAT short names that hold letters beyond ASCII (and no long name)\n"
    "in OEM code page N: 850 (the default), 437, 852 or 866.\n";

// Takes `flag` out of `args`; true when it was there.
inline bool TakeFlag(Arguments& args, const std::string& flag) {
  const size_t before = args.size();
  std::erase(args, flag);
  return args.size() != before;
}
// Takes `option` and its value out of `args` into `value`; a problem text, or empty.
inline std::string TakeValue(Arguments& args, const std::string& option, std::string& value) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != option) continue;
    if (i + 1 >= args.size()) return option + " needs a value";
    value = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return {};
  }
  return {};
}
inline constexpr const char* kIgnoreCidHelp =
    "--ignore-cid reads a snapshot whose parent disk was written since the snapshot was taken.\n";

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
