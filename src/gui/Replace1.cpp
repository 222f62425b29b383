#include "gui/Replace1.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "gui/Captions.h"
#include "gui/DialogParts.h"

using vantor::ReplaceAnswer;

Replace1::Replace1(const QString& path, QWidget* parent) : QDialog(parent) {
  setObjectName("replace1");
  setWindowTitle(kMainCaption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NamedLabel(this, "The File Already Exists. Do you want to replace the existing file.", "replaceText"));
  QLabel* file = NamedLabel(this, path, "replacePath");
  file->setWordWrap(true);
  layout->addWidget(file);
  const struct {
    const char* text;
    const char* name;
    ReplaceAnswer answer;
  } buttons[] = {{"&Replace", "replaceButton", ReplaceAnswer::kReplace},
                 {"&Skip", "skipButton", ReplaceAnswer::kSkip},
                 {"Replace &All", "replaceAllButton", ReplaceAnswer::kReplaceAll},
                 {"S&kip All", "skipAllButton", ReplaceAnswer::kSkipAll},
                 {"Re&name", "renameButton", ReplaceAnswer::kRename},
                 {"Rena&me All", "renameAllButton", ReplaceAnswer::kRenameAll}};
  auto* grid = new QGridLayout;
  int index = 0;
  for (const auto& b : buttons) {
    QPushButton* button = NamedButton(this, b.text, b.name);
    connect(button, &QPushButton::clicked, this, [this, answer = b.answer] {
      answer_ = answer;
      accept();
    });
    grid->addWidget(button, index / 2, index % 2);
    ++index;
  }
  layout->addLayout(grid);
}

ReplaceAnswer Replace1::Ask(QWidget* parent, const QString& path) {
  Replace1 dialog(path, parent);
  dialog.exec();
  return dialog.answer();
}
