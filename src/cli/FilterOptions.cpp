#include "cli/FilterOptions.h"

#include <charconv>

#include "platform/Utf.h"
#include "save/FilterSettings.h"

namespace vantor::cli {
namespace {

template <typename Number>
bool ParseNumber(const std::string& text, Number& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

std::string ParseDeleted(const std::string& option, const std::string& value, int32_t& mode) {
  if (value == "include") mode = kIncludeDeleted;
  else if (value == "exclude") mode = kExcludeDeleted;
  else if (value == "only") mode = kDeletedOnly;
  else return option + " takes include, exclude or only, not '" + value + "'";
  return {};
}

std::string ParseFatChain(const std::string& value, int32_t& source) {
  if (value == "auto") source = kChainAuto;
  else if (value == "fat1") source = kChainFat1;
  else if (value == "fat2") source = kChainFat2;
  else if (value == "contiguous") source = kChainContiguous;
  else return "--fat-chain takes auto, fat1, fat2 or contiguous, not '" + value + "'";
  return {};
}

std::string ParseExtensions(const std::string& list, SavingFilter& filter) {
  FilterSettingsEdit edit(filter);
  for (size_t start = 0; start <= list.size();) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string entry = list.substr(start, comma - start);
    std::string refusal;
    if (!edit.add(Utf8ToUtf16(entry), refusal) && !refusal.empty()) return "--extensions " + entry + ": " + refusal;
    start = comma + 1;
  }
  edit.apply();
  return {};
}

std::string ParseRange(const std::string& option, const std::string& from, const std::string& to, DateRange& range) {
  CalendarDate first, last;
  if (std::string problem = ParseDay(from, first); !problem.empty()) return option + ": " + problem;
  if (std::string problem = ParseDay(to, last); !problem.empty()) return option + ": " + problem;
  if (!DateWithin(first, first, last)) return option + ": " + from + " is after " + to;
  range = {last.day, last.month, last.year, first.day, first.month, first.year};
  return {};
}

std::string ParseSize(const std::string& low, const std::string& high, const std::string& unit, SearchQuery& query) {
  if (!ParseNumber(low, query.low) || !ParseNumber(high, query.high))
    return "--size takes two whole numbers of bytes, KB, MB or GB, not '" + low + "' and '" + high + "'";
  const char* units[] = {"Bytes", "KB", "MB", "GB"};
  for (size_t i = 0; i < 4; ++i)
    if (unit == units[i]) {
      query.unit = kSizeUnits[i];
      query.bySize = true;
      return {};
    }
  return "--size takes the unit Bytes, KB, MB or GB, not '" + unit + "'";
}

std::string ParseDateKind(const std::string& kind, SearchDateKind& dateKind) {
  if (kind == "created") dateKind = SearchDateKind::kCreated;
  else if (kind == "modified") dateKind = SearchDateKind::kModified;
  else if (kind == "accessed") dateKind = SearchDateKind::kAccessed;
  else return "--date takes created, modified or accessed, not '" + kind + "'";
  return {};
}

// Walks `args`, hands every option of `values` (name and value count) to
// `take` with its values, and keeps the rest.
template <typename Take>
std::string TakeEach(Arguments& args, std::initializer_list<std::pair<const char*, size_t>> values, Take take) {
  Arguments rest;
  for (size_t i = 0; i < args.size(); ++i) {
    size_t count = SIZE_MAX;
    for (const auto& [name, n] : values)
      if (args[i] == name) count = n;
    if (count == SIZE_MAX) {
      rest.push_back(args[i]);
      continue;
    }
    if (i + count >= args.size())
      return args[i] + " needs " + (count == 1 ? "a value" : std::to_string(count) + " values");
    if (std::string problem = take(args[i], Arguments(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                                      args.begin() + static_cast<std::ptrdiff_t>(i + count) + 1));
        !problem.empty())
      return problem;
    i += count;
  }
  args = rest;
  return {};
}

}  // namespace

std::string ParseDay(const std::string& text, CalendarDate& date) {
  const std::string problem = "not a day DD-MM-YYYY: '" + text + "'";
  if (text.size() != 10 || text[2] != '-' || text[5] != '-') return problem;
  if (!ParseNumber(text.substr(0, 2), date.day) || !ParseNumber(text.substr(3, 2), date.month) ||
      !ParseNumber(text.substr(6), date.year))
    return problem;
  if (date.day < 1 || date.day > 31 || date.month < 1 || date.month > 12 || date.year < 1601) return problem;
  return {};
}

std::string TakeSavingFilter(Arguments& args, FilterChoice& choice) {
  SavingFilter& filter = choice.filter;
  choice.invertSelection = std::erase(args, std::string("--invert-selection")) > 0;
  return TakeEach(args,
                  {{"--deleted-mode", 1}, {"--fat-chain", 1}, {"--extensions", 1}, {"--modified", 2},
                   {"--created", 2}, {"--accessed", 2}},
                  [&](const std::string& option, const Arguments& v) -> std::string {
                    if (option == "--deleted-mode") {
                      choice.deletedModeGiven = true;
                      return ParseDeleted(option, v[0], filter.deletedMode);
                    }
                    if (option == "--fat-chain") return ParseFatChain(v[0], filter.fatChainSource);
                    if (option == "--extensions") return ParseExtensions(v[0], filter);
                    const size_t range = option == "--modified" ? 0 : option == "--created" ? 1 : 2;
                    return ParseRange(option, v[0], v[1], filter.dateRange[range]);
                  });
}

std::string TakeSearchFilters(Arguments& args, SearchQuery& query) {
  return TakeEach(args, {{"--deleted", 1}, {"--date", 3}, {"--size", 3}},
                  [&](const std::string& option, const Arguments& v) -> std::string {
                    if (option == "--deleted") return ParseDeleted(option, v[0], query.deleted);
                    if (option == "--size") return ParseSize(v[0], v[1], v[2], query);
                    query.byDate = true;
                    if (std::string problem = ParseDateKind(v[0], query.dateKind); !problem.empty()) return problem;
                    if (std::string problem = ParseDay(v[1], query.from); !problem.empty()) return "--date: " + problem;
                    if (std::string problem = ParseDay(v[2], query.to); !problem.empty()) return "--date: " + problem;
                    return {};
                  });
}

}  // namespace vantor::cli
