// What every step of the wizard shares: the session, the choosers, and whether the
// user chose Exit, which closes the whole chain of open steps.
#pragma once

#include <QString>

#include "gui/FileChooser.h"
#include "session/Session.h"

struct WizardContext {
  vantor::Session& session;
  FileChooser& chooser;
  QString helpFile;
  bool exitRequested = false;
};
