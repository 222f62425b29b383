#include "logs/RunHeader.h"

#include <cstdio>

#include "logs/Logs.h"

namespace vantor {

std::string StartTimeLine(const std::tm& local) {
  static constexpr const char* kWeekdays[] = {"Sunday, ", "Monday, ", "Tuesday, ", "Wednesday, ",
                                              "Thursday, ", "Friday, ", "Saturday, "};
  static constexpr const char* kMonths[] = {"January ", "February ", "March ", "April ", "May ", "June ",
                                            "July ", "August ", "September ", "October ", "November ", "December "};
  const int weekday = local.tm_wday >= 0 && local.tm_wday < 7 ? local.tm_wday : 0;
  const int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
  char text[96];
  std::snprintf(text, sizeof text, "%d:%02d - %s%s%02d, %d", local.tm_hour, local.tm_min, kWeekdays[weekday],
                kMonths[month], local.tm_mday, local.tm_year + 1900);
  return text;
}

std::vector<std::string> RunHeaderLines(std::time_t start) {
  std::tm local{};
  localtime_r(&start, &local);
  return {"Vantor for VMWare", "Version 1.0", StartTimeLine(local)};
}

void LogRunStart(std::time_t startTime, int selector) {
  AppendLog(selector, kStartMarker);
  for (const auto& line : RunHeaderLines(startTime)) AppendLog(selector, line);
}

}  // namespace vantor
