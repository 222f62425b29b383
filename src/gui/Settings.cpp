#include "gui/Settings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/DialogParts.h"
#include "gui/MessagesInfo.h"

Settings::Settings(vantor::SavingFilter& filter, QWidget* parent) : QDialog(parent), edit_(filter) {
  setObjectName("settings");
  setWindowTitle("Saving Using Filter");
  auto* layout = new QVBoxLayout(this);
  auto* radios = new QHBoxLayout;
  radios->addLayout(radioGroup("Deleted Files",
                               {{"Include Deleted Files", "includeDeleted"},
                                {"Exclude  Deleted File(s)", "excludeDeleted"},
                                {"Save Deleted Files Only", "deletedOnly"}},
                               filter.deletedMode));
  radios->addLayout(radioGroup("Selection",
                               {{"Save Selected File(s)", "saveSelected"},
                                {"Save All File(s)", "saveAll"},
                                {"Invert Selection", "invertSelection"}},
                               filter.selectionMode));
  radios->addLayout(radioGroup("FAT Chain",
                               {{"Auto", "chainAuto"}, {"FAT1", "chainFat1"}, {"FAT2", "chainFat2"},
                                {"Contiguous", "chainContiguous"}},
                               filter.fatChainSource));
  layout->addLayout(radios);
  layout->addLayout(dateRanges());
  layout->addLayout(extensionList());
  QPushButton* apply = NamedButton(this, "&Apply", "applyButton");
  QPushButton* cancel = NamedButton(this, "Cancel", "cancelButton");
  connect(apply, &QPushButton::clicked, this, &Settings::accept);
  connect(cancel, &QPushButton::clicked, this, &Settings::reject);
  layout->addLayout(ButtonRow({apply, cancel}));
}

QLayout* Settings::radioGroup(const char* title, std::initializer_list<std::pair<const char*, const char*>> buttons,
                              int32_t& field) {
  auto* box = new QGroupBox(title, this);
  auto* column = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  int id = 0;
  for (const auto& [text, name] : buttons) {
    auto* radio = new QRadioButton(text, box);
    radio->setObjectName(name);
    radio->setChecked(field == id);
    group->addButton(radio, id++);
    column->addWidget(radio);
  }
  connect(group, &QButtonGroup::idClicked, this, [&field](int chosen) { field = chosen; });
  auto* wrap = new QVBoxLayout;
  wrap->addWidget(box);
  return wrap;
}

QLayout* Settings::dateRanges() {
  auto* grid = new QGridLayout;
  dateKind_ = new QComboBox(this);
  dateKind_->setObjectName("dateKind");
  dateKind_->addItems({"Modified Date", "Created Date", "Accessed Date"});
  grid->addWidget(dateKind_, 0, 0);
  const char* headings[] = {"DD", "MM", "YYYY"};
  for (int i = 0; i < 3; ++i) grid->addWidget(new QLabel(headings[i], this), 0, 1 + i);
  grid->addWidget(new QLabel("Earlier : ", this), 1, 0);
  grid->addWidget(new QLabel("After   : ", this), 2, 0);
  const char* names[] = {"earlierDay", "earlierMonth", "earlierYear", "afterDay", "afterMonth", "afterYear"};
  for (int i = 0; i < 6; ++i) {
    QComboBox* combo = i % 3 == 0   ? NumberCombo(this, 1, 31, names[i])
                       : i % 3 == 1 ? NumberCombo(this, 1, 12, names[i])
                                    : NumberCombo(this, 1970, 2030, names[i]);
    grid->addWidget(combo, 1 + i / 3, 1 + i % 3);
    connect(combo, &QComboBox::currentIndexChanged, this, &Settings::storeDates);
    dates_[i] = combo;
  }
  connect(dateKind_, &QComboBox::currentIndexChanged, this, &Settings::showDates);
  showDates();
  return grid;
}

void Settings::showDates() {
  const vantor::DatePositions positions = edit_.positions(static_cast<size_t>(std::max(dateKind_->currentIndex(), 0)));
  loading_ = true;
  for (int i = 0; i < 6; ++i) dates_[i]->setCurrentIndex(positions[static_cast<size_t>(i)]);
  loading_ = false;
}

void Settings::storeDates() {
  if (loading_) return;
  vantor::DatePositions positions;
  for (int i = 0; i < 6; ++i) positions[static_cast<size_t>(i)] = dates_[i]->currentIndex();
  edit_.setPositions(static_cast<size_t>(std::max(dateKind_->currentIndex(), 0)), positions);
}

QLayout* Settings::extensionList() {
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Select Extensions (Ex. DOC, XLS etc...) ", this), 0, 0, 1, 2);
  extension_ = new QLineEdit(this);
  extension_->setObjectName("extensionText");
  QPushButton* add = NamedButton(this, "&Add", "addButton");
  QPushButton* remove = NamedButton(this, "&Remove", "removeButton");
  list_ = new QListWidget(this);
  list_->setObjectName("extensionList");
  grid->addWidget(extension_, 1, 0);
  grid->addWidget(add, 1, 1);
  grid->addWidget(list_, 2, 0);
  grid->addWidget(remove, 2, 1, Qt::AlignTop);
  connect(add, &QPushButton::clicked, this, &Settings::addExtension);
  connect(extension_, &QLineEdit::returnPressed, this, &Settings::addExtension);
  connect(remove, &QPushButton::clicked, this, [this] {
    if (QListWidgetItem* item = list_->currentItem()) {
      edit_.remove(item->text().toStdU16String());
      refillList();
    }
  });
  refillList();
  return grid;
}

void Settings::addExtension() {
  std::string refusal;
  if (!edit_.add(extension_->text().toStdU16String(), refusal)) {
    if (!refusal.empty()) MessagesInfo::Show(this, QString::fromStdString(refusal));
    return;
  }
  refillList();
  extension_->clear();
  extension_->setFocus();
  list_->setCurrentRow(0);
}

void Settings::refillList() {
  list_->clear();
  for (const std::u16string& entry : edit_.listed()) list_->addItem(QString::fromStdU16String(entry));
}

void Settings::accept() {
  edit_.apply();
  QDialog::accept();
}

void Settings::reject() {
  edit_.cancel();
  QDialog::reject();
}
