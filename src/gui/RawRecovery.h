// Step 1 of Raw Recovery: the device tree of file-system recovery; Next chooses
// raw recovery: mode 9.
#pragma once

#include "gui/DesktopRecovery.h"

class RawRecovery : public DesktopRecovery {
  Q_OBJECT
 public:
  RawRecovery(WizardContext& context, QWidget* parent);
};
