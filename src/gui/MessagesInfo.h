// The program's information box: one text, one OK button, and on request a check
// box that the caller reads afterwards ("open the log").
#pragma once

#include <QDialog>

class QCheckBox;

class MessagesInfo : public QDialog {
  Q_OBJECT
 public:
  MessagesInfo(const QString& text, QWidget* parent, const QString& checkText = QString());
  bool checked() const;

  // Shows `text` modally and returns when OK was pressed.
  static void Show(QWidget* parent, const QString& text);
  // Shows `text` with the check box `checkText`; true when it was ticked.
  static bool ShowChecked(QWidget* parent, const QString& text, const QString& checkText);

 private:
  QCheckBox* check_ = nullptr;
};
