#include "gui/ImageRecovery.h"

ImageRecovery::ImageRecovery(WizardContext& context, QWidget* parent)
    : DesktopRecovery(context, parent, Step1Mode{"Disk Imaging", vantor::RecoveryMode::kImaging, 1, false}) {
  setObjectName("imageRecovery");
}
