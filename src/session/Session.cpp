#include "session/Session.h"

namespace vantor {

Session::Session()
    : startTime(std::time(nullptr)), createFile([this](const std::string& path, std::string& error) {
        return CreateOutputFile(savingRun.destination.get(), path, error);
      }) {}

}  // namespace vantor
