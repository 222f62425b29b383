// Step 1 of Disk Imaging: the device tree of file-system recovery; Next chooses
// disk imaging: mode 6 with imaging set.
#pragma once

#include "gui/DesktopRecovery.h"

class ImageRecovery : public DesktopRecovery {
  Q_OBJECT
 public:
  ImageRecovery(WizardContext& context, QWidget* parent);
};
