// The question for a destination file that exists already: replace, skip or
// rename this file or all of them. Closing the dialog skips this file.
#pragma once

#include <QDialog>

#include "core/WorkerHost.h"

class Replace1 : public QDialog {
  Q_OBJECT
 public:
  Replace1(const QString& path, QWidget* parent);
  vantor::ReplaceAnswer answer() const { return answer_; }

  static vantor::ReplaceAnswer Ask(QWidget* parent, const QString& path);

 private:
  vantor::ReplaceAnswer answer_ = vantor::ReplaceAnswer::kSkip;
};
