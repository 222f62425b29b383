// The program's question box: one text, Yes and No. Closing it answers No.
#pragma once

#include <QDialog>

class QuestionMessage : public QDialog {
  Q_OBJECT
 public:
  QuestionMessage(const QString& text, QWidget* parent);

  // Asks `text` modally; true for Yes.
  static bool Ask(QWidget* parent, const QString& text);
};
