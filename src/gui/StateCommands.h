// "&Save Log" of Step 4 and Step 2 (c), which write the scan's or the search's
// result to a ".ST4" or ".ST2C" file, and "Load Log" of Step 2, which reads one
// back so that Step 3 loads it instead of reading the volume.
#pragma once

#include "state/SearchState.h"

class FileChooser;
class QWidget;

namespace vantor {
class Session;
}

void SaveStateCommand(QWidget* parent, vantor::Session& session, FileChooser& chooser, vantor::StateKind kind);

// True when a state's header was loaded: the caller goes on into Step 2 (c)
// (a search's) or Step 3.
bool LoadStateCommand(QWidget* parent, vantor::Session& session, FileChooser& chooser);
