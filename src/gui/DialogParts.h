// Small builders that the dialogs share: named buttons, a row of them, a titled
// text label.
#pragma once

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

inline QPushButton* NamedButton(QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

inline QLabel* NamedLabel(QWidget* parent, const QString& text, const char* name) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

// A combo box of the numbers from `first` to `last`: two digits below 100
// ("01" .. "31"), plain above ("1970" .. "2030").
inline QComboBox* NumberCombo(QWidget* parent, int first, int last, const char* name) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  for (int i = first; i <= last; ++i) combo->addItem(QString::asprintf(i < 100 ? "%02d" : "%d", i));
  return combo;
}

// A row that pushes its buttons to the right.
inline QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : buttons) row->addWidget(button);
  return row;
}
