#include "core/Session.h"

namespace vantor {

Session::Session() : startTime(std::time(nullptr)), openDevice(OpenFileDevice), createFile(CreateOutputFile) {}

}  // namespace vantor
