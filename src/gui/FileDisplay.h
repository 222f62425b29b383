#pragma once
#include "gui/WizardStep.h"
class FileDisplay : public WizardStep {
  Q_OBJECT
 public:
  FileDisplay(WizardContext& context, QWidget* parent) : WizardStep(context, parent) { setObjectName("fileDisplay"); }
};
