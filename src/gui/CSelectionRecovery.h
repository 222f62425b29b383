// The start dialog: the virtual disk file and the recovery mode. A mode's Step 1
// opens only for a file that passed the virtual-disk check.
#pragma once

#include "gui/WizardStep.h"

class QLabel;
class QPushButton;

class CSelectionRecovery : public WizardStep {
  Q_OBJECT
 public:
  CSelectionRecovery(WizardContext& context, QWidget* parent = nullptr);

 protected:
  bool handleCommand(int id) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs the file chooser and the virtual-disk check; false when nothing was chosen.
  bool chooseFile(const QString& title);
  void runMode(int exhaustiveChosen, int step);
  void showSelectedFile();

  QLabel* selectedFile_;
  QLabel* hint_;
  QPushButton* fastMode_;
};
