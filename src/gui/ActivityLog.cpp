#include "gui/ActivityLog.h"

#include "logs/Logs.h"

void WriteActivity(vantor::Session&, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) vantor::AppendLog(vantor::kActivityLog, line);
}
