#include "session/Session.h"

namespace vantor {

Session::Session() : startTime(std::time(nullptr)), createFile(CreateOutputFile) {}

}  // namespace vantor
