// Lines of the wizard's steps for the activity log.
#pragma once

#include <string>
#include <vector>

namespace vantor {
class Session;
}

void WriteActivity(vantor::Session& session, const std::vector<std::string>& lines);
