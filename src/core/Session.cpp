#include "core/Session.h"

namespace vantor {

Session::Session() : openDevice(OpenFileDevice) {}

}  // namespace vantor
