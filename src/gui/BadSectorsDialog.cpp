#include "gui/BadSectorsDialog.h"

#include <QVBoxLayout>

#include "gui/DialogParts.h"

BadSectorsDialog::BadSectorsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("badSectorsDialog");
  setWindowTitle("Bad Sectors Encountered");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NamedLabel(this, "Encountered Bad Sector(s) while reading disk.", "badSectorsText"));
  const struct {
    const char* text;
    const char* name;
  } buttons[] = {{"&Retry", "retryButton"}, {"&Skip", "skipButton"},
                 {"R&etry All", "retryAllButton"}, {"Skip &All", "skipAllButton"}};
  auto* row = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    QPushButton* button = NamedButton(this, buttons[i].text, buttons[i].name);
    button->setDefault(i == 0);
    connect(button, &QPushButton::clicked, this, [this, i] {
      answer_ = i;
      accept();
    });
    row->addWidget(button);
  }
  layout->addLayout(row);
}

int BadSectorsDialog::Ask(QWidget* parent) {
  BadSectorsDialog dialog(parent);
  dialog.exec();
  return dialog.answer();
}
