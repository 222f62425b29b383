// "Saving File(s) & Folders(s)": the destination folder of a save. OK checks it
// (made when missing, something selected, enough free space or the user agrees),
// then runs the saving progress dialog in this dialog's place.
#pragma once

#include <QDialog>

#include "gui/WizardContext.h"

class QLineEdit;

class SavingPath : public QDialog {
  Q_OBJECT
 public:
  SavingPath(WizardContext& context, QWidget* parent);

 public slots:
  void accept() override;

 private:
  void browse();

  WizardContext& context_;
  QLineEdit* path_;
};
