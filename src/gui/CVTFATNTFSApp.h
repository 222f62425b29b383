// The application: one session, the host that asks the user-interface thread's
// questions, and the start-up that records the run in the activity log before the
// start dialog runs. The wizard ends when the start dialog closes.
#pragma once

#include "gui/QtWorkerHost.h"
#include "gui/WizardContext.h"

class CVTFATNTFSApp {
 public:
  explicit CVTFATNTFSApp(FileChooser& chooser);
  ~CVTFATNTFSApp();

  // Start-up; true when the installation folder could be made.
  bool startUp();
  // Runs the start dialog to its end.
  int run();

  vantor::Session& session() { return session_; }
  WizardContext& context() { return context_; }

 private:
  vantor::Session session_;
  QtWorkerHost uiHost_;
  WizardContext context_;
};
