#include "gui/FileCreation.h"

#include <QVBoxLayout>

#include "gui/DialogParts.h"

using vantor::WriteErrorAnswer;

FileCreation::FileCreation(const QString& path, const QString& reason, QWidget* parent) : QDialog(parent) {
  setObjectName("fileCreation");
  setWindowTitle("Error Writing Destination");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NamedLabel(this, "Error copying current file :", "errorText"));
  QLabel* file = NamedLabel(this, path, "errorPath");
  file->setWordWrap(true);
  layout->addWidget(file);
  if (!reason.isEmpty()) layout->addWidget(NamedLabel(this, reason, "errorReason"));
  layout->addWidget(NamedLabel(
      this, "There may be bad sectors or error in file system or not enough space in destination.", "errorHint"));
  const struct {
    const char* text;
    const char* name;
    WriteErrorAnswer answer;
  } buttons[] = {{"&Abort", "abortButton", WriteErrorAnswer::kAbort},
                 {"&Skip", "skipButton", WriteErrorAnswer::kIgnore},
                 {"Skip &All Errors", "skipAllButton", WriteErrorAnswer::kIgnoreAll}};
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (const auto& b : buttons) {
    QPushButton* button = NamedButton(this, b.text, b.name);
    connect(button, &QPushButton::clicked, this, [this, answer = b.answer] {
      answer_ = answer;
      accept();
    });
    row->addWidget(button);
  }
  layout->addLayout(row);
}

WriteErrorAnswer FileCreation::Ask(QWidget* parent, const QString& path, const QString& reason) {
  FileCreation dialog(path, reason, parent);
  dialog.exec();
  return dialog.answer();
}
