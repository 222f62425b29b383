#include "gui/PartitionInfo.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTreeWidget>

#include "gui/ActivityLog.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/ExhaustivePartitionInfo.h"
#include "gui/MessagesInfo.h"
#include "gui/PartitionRange.h"
#include "gui/PieGraph.h"
#include "gui/SearchProgress.h"
#include "gui/StateCommands.h"
#include "partition/BootValues.h"
#include "partition/PartitionPanel.h"
#include "partition/PartitionTable.h"
#include "partition/VolumeSelection.h"
#include "platform/ConfigStore.h"
#include "session/Session.h"

namespace {

constexpr int kEntryRole = Qt::UserRole;
constexpr const char* kPartitionCaptions[] = {"Partition Type :", "Partition Size  :", "Start Sector    :",
                                              "End Sector     :"};
constexpr const char* kDiskCaptions[] = {"Model Number : ", "Media Type : ", "Disk Size : ", ""};

constexpr const char* kHint =
    "Select the entire disk/partition in which your data exist. Click Next for Step 2A. To change your disk go "
    "back. If you have saved log earlier, Load Log by select load log option.";
constexpr const char* kImagingHint =
    "Select partition, of which image to be taken. Click Next for Step 2A. To change your disk go back. If you "
    "have saved log earlier, Load Log by select load log option. ";
constexpr const char* kExhaustiveNote =
    "Exhaustive Mode : This is to be checked if the current list of partitions is not complete. Select \"Disk\"  "
    "to search for more partitions in the disk. If partitions are listed, select the partition within which you "
    "need to search for lost folders or drives.";

int DiskNumber(const std::u16string& itemText) {
  QString text = QString::fromStdU16String(itemText);
  return text.startsWith("Disk") ? text.mid(4).toInt() : 0;
}

}  // namespace

PartitionInfo::PartitionInfo(WizardContext& context, QWidget* parent) : WizardStep(context, parent) {
  setObjectName("partitionInfo");
  setWindowTitle(QString(kMainCaption) + " - Step 2");
  vantor::RecoveryState& state = session().state;
  state.startSector = 0;
  state.endSector = 0;
  state.fileSystemName.clear();
  layout_->addWidget(NamedLabel(this, "Step 2 : Select the partition.", "stepTitle"));
  auto* row = new QHBoxLayout;
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("partitionTree");
  tree_->setHeaderHidden(true);
  tree_->setMinimumSize(260, 260);
  row->addWidget(tree_);
  auto* right = new QVBoxLayout;
  auto* panel = new QGroupBox(this);
  panel->setObjectName("partitionPanel");
  auto* grid = new QGridLayout(panel);
  for (int i = 0; i < 4; ++i) {
    labels_[i] = NamedLabel(panel, QString(), QString("panelLabel%1").arg(i).toLatin1().constData());
    values_[i] = NamedLabel(panel, QString(), QString("panelValue%1").arg(i).toLatin1().constData());
    grid->addWidget(labels_[i], i, 0);
    grid->addWidget(values_[i], i, 1);
  }
  grid->setColumnStretch(1, 1);
  right->addWidget(panel);
  pie_ = new PieGraph("Partitions", this);
  right->addWidget(pie_, 1);
  row->addLayout(right, 1);
  layout_->addLayout(row);
  searchExhaustive_ = new QCheckBox("Search Exhaustive", this);
  searchExhaustive_->setObjectName("searchExhaustive");
  searchExhaustive_->setChecked(state.exhaustiveChosen == 1);
  layout_->addWidget(searchExhaustive_);
  for (const char* text : {kExhaustiveNote, state.mode == vantor::RecoveryMode::kImaging || state.imaging == 1 ? kImagingHint : kHint}) {
    QLabel* label = NamedLabel(this, text, text == kExhaustiveNote ? "exhaustiveNote" : "hintText");
    label->setWordWrap(true);
    layout_->addWidget(label);
  }
  QPushButton* load = NamedButton(this, "Load Log", "loadLogButton");
  connect(load, &QPushButton::clicked, menu()->action(kCmdLoadLog), &QAction::trigger);
  QPushButton* back = NamedButton(this, "Back", "backButton");
  QPushButton* nextButton = NamedButton(this, "Next", "nextButton");
  QPushButton* help = NamedButton(this, "Help", "helpButton");
  layout_->addLayout(ButtonRow({load, back, nextButton, help}));
  connect(back, &QPushButton::clicked, this, &QDialog::reject);
  connect(nextButton, &QPushButton::clicked, this, &PartitionInfo::next);
  connect(help, &QPushButton::clicked, menu()->action(kCmdHelp), &QAction::trigger);
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { showPanel(item); });
  listPartitions();
}

bool PartitionInfo::isLogicalDrive() const {
  const std::string& path = context_.session.state.devicePathTable[0];
  return context_.session.state.vmValid != 1 && context_.session.state.imageSource != 1 && path.size() == 6 &&
         path[5] == ':';
}

uint64_t PartitionInfo::diskBytes() const {
  const vantor::Session& s = context_.session;
  if (s.state.vmValid == 1) return s.reader.virtualDisk.capacity() * 512;
  vantor::ConfigStore store = vantor::ConfigStore::Load();
  std::string value = "Disk" + std::to_string(DiskNumber(s.state.selectedItemText));
  return std::strtoull(store.get("VT Windows\\Size", value).value_or("0").c_str(), nullptr, 10);
}

void PartitionInfo::listPartitions() {
  vantor::ListPartitions(session(), session().partitions);
  auto* root = new QTreeWidgetItem(tree_, QStringList(QString::fromStdU16String(session().state.selectedItemText)));
  root->setData(0, kEntryRole, isLogicalDrive() && !session().partitions.empty() ? 0 : -1);
  if (!isLogicalDrive()) {
    for (size_t i = 0; i < session().partitions.size(); ++i) {
      auto* item = new QTreeWidgetItem(root, QStringList(QString::fromStdString(session().partitions[i].treeText)));
      item->setData(0, kEntryRole, static_cast<int>(i));
    }
  }
  tree_->expandAll();
  std::vector<std::pair<QString, int>> shares;
  for (const vantor::PieShare& share : vantor::PartitionShares(session().partitions, diskBytes()))
    shares.emplace_back(QString::fromStdString(share.label), share.share);
  pie_->setShares(std::move(shares));
  tree_->setCurrentItem(root);
}

void PartitionInfo::showPanel(QTreeWidgetItem* item) {
  int entry = item != nullptr ? item->data(0, kEntryRole).toInt() : -1;
  if (entry >= 0)
    showPartition(static_cast<size_t>(entry));
  else
    showDisk();
}

void PartitionInfo::showPartition(size_t index) {
  diskShown_ = false;
  vantor::PartitionPanel panel = vantor::PanelValues(session().partitions[index]);
  const std::string* values[] = {&panel.partitionType, &panel.partitionSize, &panel.startSector, &panel.endSector};
  for (int i = 0; i < 4; ++i) {
    labels_[i]->setText(kPartitionCaptions[i]);
    values_[i]->setText(QString::fromStdString(*values[i]));
  }
}

void PartitionInfo::showDisk() {
  diskShown_ = true;
  vantor::ConfigStore store = vantor::ConfigStore::Load();
  std::string value = "Disk" + std::to_string(DiskNumber(session().state.selectedItemText));
  QString size = QString::number(diskBytes() / 1048576) + " MB";
  QString texts[] = {QString::fromStdString(store.get("VT Windows\\Model", value).value_or("")),
                     QString::fromStdString(store.get("VT Windows\\MediaType", value).value_or("")), size, ""};
  for (int i = 0; i < 4; ++i) {
    labels_[i]->setText(kDiskCaptions[i]);
    values_[i]->setText(texts[i]);
  }
}

bool PartitionInfo::takeVolume() {
  vantor::RecoveryState& state = session().state;
  const bool anyType = state.imaging == 1 || state.mode == vantor::RecoveryMode::kRawChosen || searchExhaustive_->isChecked();
  const int entry = tree_->currentItem()->data(0, kEntryRole).toInt();
  if (diskShown_ || entry < 0) {
    // The whole disk has no type of its own. Searched for lost partitions or for
    // files by their content, or copied, it is the range: all its sectors, which
    // Step 2 (a) shows for the user to narrow.
    state.fileSystemName = u"UNKNOWN";
    if (state.mode == vantor::RecoveryMode::kRawChosen || state.imaging == 1 || searchExhaustive_->isChecked()) {
      state.startSector = 0;
      state.endSector = session().reader.sourceSectors();
      if (state.endSector > 0) return true;
    }
    MessagesInfo::Show(this, anyType ? "Start sector is not valid" : "Select partition type");
    return false;
  }
  switch (vantor::SelectVolume(state, session().partitions[static_cast<size_t>(entry)], anyType)) {
    case vantor::VolumeRefusal::kUnknownType: MessagesInfo::Show(this, "Select partition type"); return false;
    case vantor::VolumeRefusal::kEmptyRange:
      MessagesInfo::Show(this, "End sector should be bigger than Start sector");
      return false;
    case vantor::VolumeRefusal::kNone: break;
  }
  return true;
}

std::vector<std::string> PartitionInfo::logLines() {
  QTreeWidgetItem* item = tree_->currentItem();
  const int entry = item->data(0, kEntryRole).toInt();
  std::vector<std::string> lines = {"", "Step 2 :", "-------"};
  if (diskShown_ || entry < 0) {
    lines.push_back("Selected Information : " + item->text(0).toStdString());
    for (int i = 0; i < 3; ++i) lines.push_back(std::string(kDiskCaptions[i]) + values_[i]->text().toStdString());
    lines.push_back(searchExhaustive_->isChecked() ? "Search Exhaustive : Checked" : "Search Exhaustive : Not Checked");
    return lines;
  }
  for (std::string& line : vantor::Step2LogLines(session().partitions[static_cast<size_t>(entry)],
                                                 searchExhaustive_->isChecked()))
    lines.push_back(std::move(line));
  return lines;
}

void PartitionInfo::next() {
  if (tree_->currentItem() == nullptr || !takeVolume()) return;
  session().state.stateLoaded = 0;
  WriteActivity(session(), logLines());
  vantor::ReadBootValues(session());
  openNextStep();
}

void PartitionInfo::openNextStep() {
  vantor::RecoveryState& state = session().state;
  state.searchPass = 0;
  // Raw recovery and imaging always go through Step 2 (a), where the range is
  // given; the others only for a lost-partition search.
  const bool ranged = state.mode == vantor::RecoveryMode::kRawChosen || state.imaging == 1;
  state.partitionSearch = searchExhaustive_->isChecked() && !ranged ? 1 : 0;
  if (ranged || state.partitionSearch == 1) {
    if (state.fileSystemName != u"UNKNOWN") state.selectedPartitionText = tree_->currentItem()->text(0).toStdU16String();
    PartitionRange step2a(context_, this);
    runNext(step2a);
    return;
  }
  runScanSteps();
}

void PartitionInfo::runScanSteps() {
  // Step 4's "Exhaustive Recovery" closes it and Step 3, and asks for a new Step 3.
  for (int result = kSwitchToExhaustive; result == kSwitchToExhaustive && !context_.exitRequested;) {
    SearchProgress step3(context_, this);
    result = runNext(step3);
  }
}

bool PartitionInfo::handleCommand(int id) {
  if (id != kCmdLoadLog) return false;
  loadState();
  return true;
}

// A saved search goes on into Step 2 (c) once Step 3 has read its candidates;
// a saved scan into Step 4 once Step 3 has read its catalog.
void PartitionInfo::loadState() {
  if (!LoadStateCommand(this, session(), context_.chooser)) return;
  vantor::RecoveryState& state = session().state;
  searchExhaustive_->setChecked(state.partitionSearch == 1);
  vantor::StateKind kind = vantor::StateKind::kScan;
  vantor::StateKindOf(state.stateFilePath, kind);
  if (kind == vantor::StateKind::kScan) {
    runScanSteps();
    return;
  }
  SearchProgress step3(context_, this);
  if (runNext(step3) != QDialog::Accepted || context_.exitRequested) return;
  ExhaustivePartitionInfo step2c(context_, this);
  runNext(step2c);
}
