// The file and folder choosers of the wizard. They are the only dialogs that a test
// cannot click, so every step asks through this interface and tests replace it
// with scripted answers.
#pragma once

#include <QString>

class QWidget;

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // A file to open; empty when the user cancelled. `filter` lists "TEXT|PATTERNS" pairs.
  virtual QString openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
  // A folder; empty when the user cancelled.
  virtual QString chooseFolder(QWidget* parent, const QString& title) = 0;
  // A file to write; null when the user cancelled.
  virtual QString saveFile(QWidget* parent, const QString& title, const QString& filter) = 0;
};

// The platform's choosers.
class QtFileChooser : public FileChooser {
 public:
  QString openFile(QWidget* parent, const QString& title, const QString& filter) override;
  QString chooseFolder(QWidget* parent, const QString& title) override;
  QString saveFile(QWidget* parent, const QString& title, const QString& filter) override;
};
