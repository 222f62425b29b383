#include "gui/LogPath.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/DialogParts.h"
#include "gui/FileChooser.h"
#include "logs/Logs.h"

LogPath::LogPath(int selector, FileChooser& chooser, QWidget* parent)
    : QDialog(parent), selector_(selector), chooser_(chooser) {
  setObjectName("logPath");
  setWindowTitle(selector == vantor::kActivityLog ? "Activity Report Path" : "Recovery History Path");
  auto* layout = new QVBoxLayout(this);
  path_ = new QLineEdit(QString::fromStdString(vantor::LogFolder(selector)), this);
  path_->setObjectName("logFolder");
  path_->setReadOnly(true);
  path_->setMinimumWidth(380);
  QPushButton* browse = NamedButton(this, "Browse File", "browseButton");
  auto* row = new QHBoxLayout;
  row->addWidget(path_, 1);
  row->addWidget(browse);
  layout->addLayout(row);
  QPushButton* ok = NamedButton(this, "OK", "okButton");
  QPushButton* cancel = NamedButton(this, "Cancel", "cancelButton");
  layout->addLayout(ButtonRow({ok, cancel}));
  connect(browse, &QPushButton::clicked, this, &LogPath::browse);
  connect(ok, &QPushButton::clicked, this, &LogPath::store);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void LogPath::browse() {
  QString folder = chooser_.chooseFolder(this, "Select the folder of the log");
  if (!folder.isEmpty()) path_->setText(folder);
}

void LogPath::store() {
  vantor::SetLogFolder(selector_, path_->text().toStdString());
  accept();
}
