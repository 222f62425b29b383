#include "gui/DesktopRecovery.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeWidget>

#include "disk/SectorReader.h"
#include "gui/ActivityLog.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/MessagesInfo.h"
#include "gui/PartitionInfo.h"
#include "gui/PieGraph.h"
#include "platform/Utf.h"
#include "session/Session.h"

namespace {

// What a tree item stands for (item data, column 0).
enum ItemKind { kBranch = 0, kVirtualDisk, kDrive, kDisk, kImage };
constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
constexpr int kReadableDisks = 10;

QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const QString& text, ItemKind kind, int index = 0) {
  auto* item = new QTreeWidgetItem(parent, QStringList(text));
  item->setData(0, kKindRole, kind);
  item->setData(0, kIndexRole, index);
  return item;
}

Step1Mode DesktopMode(const vantor::Session& session) {
  return {session.state.exhaustiveChosen == 1 ? "Exhaustive Recovery" : "Vantor", vantor::RecoveryMode::kFileSystem, 0, true};
}

}  // namespace

DesktopRecovery::DesktopRecovery(WizardContext& context, QWidget* parent)
    : DesktopRecovery(context, parent, DesktopMode(context.session)) {}

DesktopRecovery::DesktopRecovery(WizardContext& context, QWidget* parent, Step1Mode mode)
    : WizardStep(context, parent), mode_(std::move(mode)), store_(vantor::ConfigStore::Load()) {
  setObjectName("desktopRecovery");
  setWindowTitle(QString(kMainCaption) + " - " + mode_.name);
  layout_->addWidget(NamedLabel(this, "Step 1 : Select the disk in which your data exist.", "stepTitle"));
  auto* row = new QHBoxLayout;
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("deviceTree");
  tree_->setHeaderHidden(true);
  tree_->setMinimumSize(260, 280);
  information_ = new QTreeWidget(this);
  information_->setObjectName("informationList");
  information_->setRootIsDecorated(false);
  information_->setMinimumWidth(320);
  auto* right = new QVBoxLayout;
  right->addWidget(information_);
  pie_ = new PieGraph("Drive Space", this);
  pie_->hide();
  right->addWidget(pie_);
  row->addWidget(tree_);
  row->addLayout(right, 1);
  layout_->addLayout(row);
  QPushButton* back = NamedButton(this, "Back", "backButton");
  QPushButton* next = NamedButton(this, "Next", "nextButton");
  QPushButton* help = NamedButton(this, "Help", "helpButton");
  layout_->addLayout(ButtonRow({back, next, help}));
  connect(back, &QPushButton::clicked, this, &QDialog::reject);
  connect(next, &QPushButton::clicked, this, &DesktopRecovery::next);
  connect(help, &QPushButton::clicked, menu()->action(kCmdHelp), &QAction::trigger);
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { showInformation(item); });
  setInformation("Device Information", {});
  fillTree();
}

void DesktopRecovery::fillTree() {
  devices_ = vantor::RefreshDeviceStore(store_, session().state.vmValid == 1);
  store_.save();
  auto* root = new QTreeWidgetItem(tree_, QStringList("My Computer"));
  root->setData(0, kKindRole, kBranch);
  if (session().state.vmValid == 1)
    addVirtualDisk(root);
  else
    addDevices(root);
  tree_->expandAll();
}

void DesktopRecovery::addVirtualDisk(QTreeWidgetItem* root) {
  QTreeWidgetItem* physical = AddItem(root, "Physical Devices", kBranch);
  AddItem(physical, QString::fromStdU16String(session().state.vmFileName), kVirtualDisk);
}

void DesktopRecovery::addDevices(QTreeWidgetItem* root) {
  QTreeWidgetItem* drives = AddItem(root, "Select Logical Drive", kBranch);
  for (size_t i = 0; i < devices_.drives.size(); ++i)
    AddItem(drives, QString::fromStdString(devices_.drives[i].itemText), kDrive, static_cast<int>(i));
  QTreeWidgetItem* disks = AddItem(root, "Select Disk", kBranch);
  for (const vantor::DiskEntry& disk : devices_.disks)
    if (disk.number < kReadableDisks) AddItem(disks, QString::fromStdString(disk.itemText), kDisk, disk.number);
  AddItem(root, "Select Image", kBranch);
}

void DesktopRecovery::setInformation(const QString& heading, const std::vector<std::string>& lines) {
  information_->clear();
  information_->setHeaderLabels({"                   " + heading});
  for (const std::string& line : lines) new QTreeWidgetItem(information_, QStringList(QString::fromStdString(line)));
}

QStringList DesktopRecovery::informationLines() const {
  QStringList lines;
  for (int i = 0; i < information_->topLevelItemCount(); ++i) lines << information_->topLevelItem(i)->text(0);
  return lines;
}

void DesktopRecovery::showInformation(QTreeWidgetItem* item) {
  pie_->hide();
  int kind = item != nullptr ? item->data(0, kKindRole).toInt() : kBranch;
  int index = item != nullptr ? item->data(0, kIndexRole).toInt() : 0;
  if (kind == kVirtualDisk) {
    setInformation("Device Information", session().reader.virtualDisk.InformationLines());
  } else if (kind == kDisk) {
    setInformation("Device Information", vantor::DeviceInformationLines(store_, index));
  } else if (kind == kDrive) {
    const vantor::LogicalDrive& drive = devices_.drives[static_cast<size_t>(index)];
    setInformation("Drive Information", vantor::DriveInformationLines(drive));
    int used = drive.totalBytes == 0 ? 0 : static_cast<int>((drive.totalBytes - drive.freeBytes) * 100 / drive.totalBytes);
    pie_->setShares({{"Used Space", used}, {"Free Space", 100 - used}});
    pie_->show();
  } else if (kind == kBranch && item != nullptr && item->text(0) == "Select Image") {
    chooseImage(item);
  } else {
    setInformation(kind == kImage ? "Drive Information" : "Device Information", {});
  }
}

void DesktopRecovery::chooseImage(QTreeWidgetItem* branch) {
  QString folder = context_.chooser.chooseFolder(this, "Select Folder of Image File");
  if (folder.isEmpty()) return;
  QString path = folder + (folder.endsWith('/') ? "" : "/") + "Image0.img";
  if (!vantor::SelectImage(session().state, path.toStdString())) {
    MessagesInfo::Show(this, "Image path not found. Please specify image path.");
    return;
  }
  QTreeWidgetItem* item = AddItem(branch, path, kImage);
  branch->setExpanded(true);
  tree_->setCurrentItem(item);
}

QString DesktopRecovery::validationMessage(const QString& text) const {
  if (text.isEmpty() || text == "Select Logical Drive" || text == "My Computer")
    return context_.session.state.vmValid == 1 ? "Select Virtual Machine File" : "Select Logical Drive";
  if (text == "Select Disk" || text == "Physical Devices") return "Select Hard Disk";
  if (text == "Select Image") return "Select Image";
  return {};
}

void DesktopRecovery::selectDevice(const QString& text) {
  vantor::RecoveryState& state = session().state;
  state.selectedItemText = text.toStdU16String();
  if (state.vmValid == 1) return;
  QTreeWidgetItem* item = tree_->currentItem();
  int kind = item->data(0, kKindRole).toInt();
  if (kind != kImage) state.imageSource = 0;
  if (kind == kDisk) {
    state.deviceIndex = static_cast<int16_t>(item->data(0, kIndexRole).toInt());
    state.devicePath() = "\\\\.\\PhysicalDrive0";
  } else if (kind == kDrive) {
    state.deviceIndex = 0;
    const vantor::LogicalDrive& drive = devices_.drives[static_cast<size_t>(item->data(0, kIndexRole).toInt())];
    state.devicePath() = std::string("\\\\.\\") + drive.letter + ":";
  } else {
    state.deviceIndex = 0;
  }
}

void DesktopRecovery::next() {
  vantor::RecoveryState& state = session().state;
  state.imaging = mode_.imaging;
  state.mode = mode_.mode;
  QTreeWidgetItem* item = tree_->currentItem();
  QString text = item != nullptr ? item->text(0) : QString();
  if (QString message = validationMessage(text); !message.isEmpty()) {
    MessagesInfo::Show(this, message);
    return;
  }
  if (mode_.resetsBadSectorPolicy) state.badSectorPolicy = 0;
  std::vector<std::string> lines = {"", "Step 1 : " + mode_.name.toStdString(), "-------", "Device Information : "};
  for (const QString& line : informationLines()) lines.push_back(line.toStdString());
  WriteActivity(session(), lines);
  selectDevice(text);
  PartitionInfo step2(context_, this);
  runNext(step2);
}
