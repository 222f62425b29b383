// "Error Writing Destination": a destination file that cannot be created,
// written or closed, with the reason the system gave. Abort
// ends the run after this file, Skip leaves this file out, Skip All leaves out this
// and every later such file without asking. Closing the dialog skips the file.
#pragma once

#include <QDialog>

#include "core/WorkerHost.h"

class FileCreation : public QDialog {
  Q_OBJECT
 public:
  FileCreation(const QString& path, const QString& reason, QWidget* parent);
  vantor::WriteErrorAnswer answer() const { return answer_; }

  static vantor::WriteErrorAnswer Ask(QWidget* parent, const QString& path, const QString& reason);

 private:
  vantor::WriteErrorAnswer answer_ = vantor::WriteErrorAnswer::kIgnore;
};
