// The first steps that the commands share with the wizard: choose the source and
// log the run header and Step 1; list its file systems; choose one of them as
// Step 2 does, log Step 2 and read its boot values.
#pragma once

#include <string>

namespace vantor {
class Session;
}

namespace vantor::cli {

struct StepResult {
  bool ok = false;
  std::string message;  // what went wrong when not ok
};

// Chooses SOURCE for the session and logs the run start and Step 1.
StepResult OpenSource(Session& session, const std::string& source);
// Makes listed file system `number` (from 1) the volume of the session, logs
// Step 2 and reads the boot values.
StepResult ChoosePartition(Session& session, const std::string& source, size_t number);

}  // namespace vantor::cli
