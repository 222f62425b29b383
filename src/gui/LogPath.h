// The folder of the activity log (selector 0) or of the recovery log (1): shows
// the current folder, "Browse File" picks another, OK stores the one shown.
#pragma once

#include <QDialog>

class FileChooser;
class QLineEdit;

class LogPath : public QDialog {
  Q_OBJECT
 public:
  LogPath(int selector, FileChooser& chooser, QWidget* parent);

 private:
  void browse();
  void store();

  int selector_;
  FileChooser& chooser_;
  QLineEdit* path_;
};
