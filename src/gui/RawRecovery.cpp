#include "gui/RawRecovery.h"

RawRecovery::RawRecovery(WizardContext& context, QWidget* parent)
    : DesktopRecovery(context, parent, Step1Mode{"Raw Recovery", vantor::RecoveryMode::kRawChosen, 0, false}) {
  setObjectName("rawRecovery");
}
