// Step 2 (b) of Raw Recovery: the 28 file types to look for. Next logs the
// choice, builds the rules, asks for the folder that receives the files (the
// saving path dialog, which in raw mode only chooses it) and runs Step 3.
#pragma once

#include <array>

#include "gui/WizardStep.h"
#include "raw/RawRules.h"

class QCheckBox;

class RawDefaultExtension : public WizardStep {
  Q_OBJECT
 public:
  RawDefaultExtension(WizardContext& context, QWidget* parent);

  // Runs the saving path dialog in raw mode; the folder chosen, or empty.
  static QString ChooseFolder(WizardContext& context, QWidget* parent);

 private:
  void next();
  void tickAll();

  std::array<QCheckBox*, vantor::kRawTypeCount> boxes_{};
};
