#include "gui/QuestionMessage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/Captions.h"

QuestionMessage::QuestionMessage(const QString& text, QWidget* parent) : QDialog(parent) {
  setObjectName("questionMessage");
  setWindowTitle(kMainCaption);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(text, this);
  label->setObjectName("questionText");
  label->setWordWrap(true);
  label->setMinimumWidth(360);
  layout->addWidget(label);
  auto* yes = new QPushButton("&Yes", this);
  yes->setObjectName("yesButton");
  auto* no = new QPushButton("&No", this);
  no->setObjectName("noButton");
  yes->setDefault(true);
  connect(yes, &QPushButton::clicked, this, &QDialog::accept);
  connect(no, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(yes);
  row->addWidget(no);
  layout->addLayout(row);
}

bool QuestionMessage::Ask(QWidget* parent, const QString& text) {
  QuestionMessage box(text, parent);
  return box.exec() == QDialog::Accepted;
}
