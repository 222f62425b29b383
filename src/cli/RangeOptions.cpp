#include "cli/RangeOptions.h"

#include <algorithm>

#include "cli/Usage.h"
#include "partition/PartitionTable.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

std::string ParseSector(const std::string& text, uint64_t& sector) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19)
    return "not a sector number: '" + text + "'";
  sector = std::stoull(text);
  return {};
}

}  // namespace

std::string TakeRangeOptions(Arguments& args, RangeOptions& options) {
  if (std::string problem = TakeValue(args, "-p", options.partition); !problem.empty()) return problem;
  if (auto at = std::find(args.begin(), args.end(), "--range"); at != args.end()) {
    if (args.end() - at < 3) return "--range needs FIRST and END";
    options.first = at[1];
    options.end = at[2];
    args.erase(at, at + 3);
  }
  if (!options.partition.empty() && !options.first.empty()) return "choose one of -p N and --range";
  return {};
}

ChosenRange ChooseRange(Session& session, const RangeOptions& options, const std::string& source) {
  ChosenRange range{0, session.reader.sourceSectors(), {}, false};
  if (!options.partition.empty()) {
    size_t number = 0;
    if (std::string problem = ParsePartitionNumber(options.partition, number); !problem.empty())
      return {0, 0, problem, true};
    const size_t count = ListPartitions(session, session.partitions);
    if (number == 0 || number > count)
      return {0, 0, "partition " + options.partition + " does not exist: " + source + " lists " + std::to_string(count)};
    range.start = session.partitions[number - 1].startSector;
    range.end = session.partitions[number - 1].endSector;
  } else if (!options.first.empty()) {
    if (std::string problem = ParseSector(options.first, range.start); !problem.empty()) return {0, 0, problem, true};
    if (std::string problem = ParseSector(options.end, range.end); !problem.empty()) return {0, 0, problem, true};
  }
  if (range.end <= range.start) return {0, 0, "End sector should be bigger than Start sector"};
  return range;
}

}  // namespace vantor::cli
