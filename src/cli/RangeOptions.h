// -p N or --range FIRST END: the sectors a command works on, file system N's
// (as `vantor partitions` numbers them), a range, or the whole source.
#pragma once

#include <cstdint>
#include <string>

#include "cli/Commands.h"

namespace vantor {
class Session;
}

namespace vantor::cli {

struct RangeOptions {
  std::string partition;
  std::string first;
  std::string end;
};

// Takes the options out of `args`; a usage problem, or empty.
std::string TakeRangeOptions(Arguments& args, RangeOptions& options);

struct ChosenRange {
  uint64_t start = 0;
  uint64_t end = 0;  // the first sector after the range
  std::string problem;
  bool usage = false;  // the problem is one of usage, not of the source
};
// The sectors the options name on the opened source of `session`.
ChosenRange ChooseRange(Session& session, const RangeOptions& options, const std::string& source);

}  // namespace vantor::cli
