#include "gui/MessagesInfo.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/Captions.h"

MessagesInfo::MessagesInfo(const QString& text, QWidget* parent, const QString& checkText) : QDialog(parent) {
  setObjectName("messagesInfo");
  setWindowTitle(kMainCaption);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(text, this);
  label->setObjectName("messageText");
  label->setWordWrap(true);
  label->setMinimumWidth(360);
  layout->addWidget(label);
  if (!checkText.isEmpty()) {
    check_ = new QCheckBox(checkText, this);
    check_->setObjectName("messageCheck");
    layout->addWidget(check_);
  }
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  layout->addLayout(row);
}

bool MessagesInfo::checked() const { return check_ != nullptr && check_->isChecked(); }

void MessagesInfo::Show(QWidget* parent, const QString& text) {
  MessagesInfo box(text, parent);
  box.exec();
}

bool MessagesInfo::ShowChecked(QWidget* parent, const QString& text, const QString& checkText) {
  MessagesInfo box(text, parent, checkText);
  box.exec();
  return box.checked();
}
