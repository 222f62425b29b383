// "Bad Sectors Encountered": asked from the thread that reads when sectors cannot
// be read. Its answer is stored as the bad-sector policy (0 Retry, 1 Skip, 2 Retry
// All, 3 Skip All); closing the dialog counts as Skip.
#pragma once

#include <QDialog>

class BadSectorsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit BadSectorsDialog(QWidget* parent);
  int answer() const { return answer_; }

  static int Ask(QWidget* parent);

 private:
  int answer_ = 1;
};
