// The preview beside Step 4's list: the chosen file's first lines when it is
// text, the picture scaled to the pane, or a hex dump of its first sectors.
#pragma once

#include <QStackedWidget>

namespace vantor {
class Session;
struct FileRecord;
}  // namespace vantor
class QLabel;
class QPlainTextEdit;

class FilePreviewPane : public QStackedWidget {
  Q_OBJECT
 public:
  explicit FilePreviewPane(QWidget* parent);
  // Shows what `file` holds; null (a folder) empties the pane.
  void showFile(vantor::Session& session, const vantor::FileRecord* file);

 private:
  QPlainTextEdit* text_;
  QLabel* image_;
};
