#include "core/Session.h"

namespace vantor {

Session::Session() : openDevice(OpenFileDevice), createFile(CreateOutputFile) {}

}  // namespace vantor
