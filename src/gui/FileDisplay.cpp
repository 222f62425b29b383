#include "gui/FileDisplay.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QTreeWidget>

#include "browser/BuildFolderTree.h"
#include "browser/Rename.h"
#include "browser/Selection.h"
#include "core/SizeText.h"
#include "fat/FatScan.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/FilePreviewPane.h"
#include "gui/FileSearchDialog.h"
#include "gui/ListControlFileDisplay.h"
#include "gui/MessagesInfo.h"
#include "gui/ModalRun.h"
#include "gui/OpenFoundFile.h"
#include "gui/QuestionMessage.h"
#include "gui/SavingPath.h"
#include "gui/SearchProgress.h"
#include "gui/Settings.h"
#include "gui/StateCommands.h"
#include "save/SavingWorker.h"
#include "session/Session.h"

namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr int kRowRole = Qt::UserRole;
constexpr int kSortRole = Qt::UserRole + 1;
const struct {
  const char* heading;
  int width;
} kColumns[] = {{"Name", 210},          {"Type", 100},         {"Size", 95}, {"Modified Date", 160},
                {"Created Date", 160}, {"Accessed Date", 160}, {"ID", 80}};
constexpr const char* kHint =
    "Select the desired files/folders and click on Save. Browse the path to save. Save recovery log in case you "
    "need to save/recover files later.";
constexpr const char* kExhaustiveAdvice =
    "If you are unable to find the deleted/lost file's && folder's in the directory tree.\n\nPlease choose "
    "'Exhaustive Recovery' under Options menu.";

// "%.3f MB size in" (or GB above 1 GiB), the folder and the file count.
QString SummaryText(const vantor::RecoveryCatalog& catalog) {
  double bytes = static_cast<double>(catalog.bytesTotal);
  QString size = catalog.bytesTotal <= vantor::kGigaByte
                     ? QString::asprintf("%.3f MB size in", bytes / vantor::kMegaByte)
                     : QString::asprintf("%.3f GB size in", bytes / vantor::kGigaByte);
  return size + QString::asprintf(" %d Directories %d Files", static_cast<int>(catalog.directoriesFound),
                                  static_cast<int>(catalog.filesFound));
}

// Sorts by the value a column stands for (sizes, ids and time stamps as numbers)
// where one is set, else by the text.
class ListRow : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    const QVariant mine = data(column, kSortRole), theirs = other.data(column, kSortRole);
    if (mine.isValid() && theirs.isValid()) return mine.toULongLong() < theirs.toULongLong();
    return QTreeWidgetItem::operator<(other);
  }
};

qulonglong StampKey(const vantor::RecordTime& time, bool ntfs) {
  return ntfs ? (qulonglong{time.second} << 32) | time.first : (qulonglong{time.first} << 16) | time.second;
}

}  // namespace

FileDisplay::FileDisplay(WizardContext& context, QWidget* parent)
    : WizardStep(context, parent, "&Saving Using Filter"), host_(this) {
  setObjectName("fileDisplay");
  setWindowTitle(QString(kMainCaption) + " - Step 4");
  for (Command id : {kCmdLoadLog, kCmdOpen, kCmdExhaustive, kCmdSaving, kCmdSearch, kCmdSaveLog})
    menu()->setCommandEnabled(id, false);
  summary_ = NamedLabel(this, SummaryText(session().catalog), "summary");
  QFont large = summary_->font();
  large.setPointSizeF(large.pointSizeF() * 1.4);
  summary_->setFont(large);
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setStyleSheet("color: red");
  layout_->addWidget(summary_);
  layout_->addWidget(rule);
  buildList();
  QLabel* hint = NamedLabel(this, kHint, "hintText");
  hint->setWordWrap(true);
  layout_->addWidget(hint);
  status_ = NamedLabel(this, "Adding Directories / Files information. Please wait...", "statusLine");
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar");
  bar_->setRange(0, 100);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(status_, 1);
  statusRow->addWidget(bar_);
  layout_->addLayout(statusRow);
  buildButtons();
  connect(&host_, &QtWorkerHost::progressChanged, this, [this](quint64 p) { bar_->setValue(static_cast<int>(p)); });
  connect(&host_, &QtWorkerHost::finished, this, &FileDisplay::showTree, Qt::QueuedConnection);
  resize(1260, 620);
}

FileDisplay::~FileDisplay() {
  host_.stopAndWait();
  workerHost_.reset();
}

void FileDisplay::buildList() {
  auto* splitter = new QSplitter(this);
  tree_ = new QTreeWidget(splitter);
  tree_->setObjectName("folderTree");
  tree_->setHeaderHidden(true);
  list_ = new QTreeWidget(splitter);
  list_->setObjectName("fileList");
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::EditKeyPressed);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  QStringList headings;
  for (const auto& column : kColumns) headings << column.heading;
  list_->setHeaderLabels(headings);
  for (int i = 0; i < 7; ++i) list_->setColumnWidth(i, kColumns[i].width);
  // The catalog's order (folders first) until a heading is clicked; then that
  // column's order, for every folder shown after.
  QHeaderView* header = list_->header();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  connect(header, &QHeaderView::sortIndicatorChanged, list_, &QTreeWidget::sortItems);
  preview_ = new FilePreviewPane(splitter);
  splitter->setStretchFactor(1, 3);
  splitter->setSizes({230, 790, 240});
  layout_->addWidget(splitter, 1);
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { chooseFolder(item); });
  connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { onTreeCheck(item); });
  connect(list_, &QTreeWidget::itemChanged, this, &FileDisplay::onListChange);
  connect(list_, &QTreeWidget::customContextMenuRequested, this, &FileDisplay::openRow);
  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* row) {
    preview_->showFile(session(), row != nullptr ? rows_[row->data(0, kRowRole).toULongLong()].file : nullptr);
  });
}

void FileDisplay::buildButtons() {
  const struct {
    const char* text;
    const char* name;
    Command command;
  } buttons[] = {{"Save Log", "saveLogButton", kCmdSaveLog},       {"Save/Settings", "settingsButton", kCmdSaving},
                 {"Search File/Folder", "searchButton", kCmdSearch}, {"Help", "helpButton", kCmdHelp},
                 {"Save", "saveButton", kCmdRecoverSelected}};
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (const auto& b : buttons) {
    QPushButton* button = NamedButton(this, b.text, b.name);
    button->setToolTip(b.text);
    QAction* action = menu()->action(b.command);
    button->setEnabled(action->isEnabled());
    connect(action, &QAction::enabledChanged, button, &QPushButton::setEnabled);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    row->addWidget(button);
  }
  QPushButton* back = NamedButton(this, "Back", "backButton");
  back->setToolTip("Back");
  connect(back, &QPushButton::clicked, this, &FileDisplay::reject);
  row->addWidget(back);
  layout_->addLayout(row);
}

void FileDisplay::showEvent(QShowEvent* event) {
  WizardStep::showEvent(event);
  if (started_) return;
  started_ = true;
  QTimer::singleShot(0, this, &FileDisplay::startTreeBuilding);
}

void FileDisplay::startTreeBuilding() {
  const std::u16string& name = session().state.fileSystemName;
  if (name != u"FAT12" && name != u"FAT16" && name != u"FAT32" && name != u"NTFS") return;
  workerHost_.emplace(session().reader, host_);
  host_.start([this] { vantor::BuildFolderTree(session()); });
}

QTreeWidgetItem* FileDisplay::treeItem(uint64_t id) const {
  auto found = items_.find(id);
  return found == items_.end() ? nullptr : found->second;
}

void FileDisplay::showTree() {
  // The end of a tree building that Back or the switch stopped can arrive after
  // the step was left (and the choices it shows were reset): nothing to show.
  if (leaving_) return;
  host_.waitForEnd();
  workerHost_.reset();
  const vantor::FolderTree& model = session().folderTree;
  updating_ = true;
  for (uint64_t id = vantor::kRootItem; id <= model.size(); ++id) {
    const vantor::TreeNode* node = model.node(id);
    QTreeWidgetItem* parent = treeItem(node->parent);
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, id == vantor::kRootItem ? QString("Root") : QString::fromStdU16String(node->label));
    item->setData(0, kNodeRole, QVariant::fromValue<qulonglong>(id));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    items_[id] = item;
  }
  updating_ = false;
  if (QTreeWidgetItem* root = treeItem(vantor::kRootItem)) {
    syncTreeChecks(root);
    root->setExpanded(true);
    tree_->setCurrentItem(root);
  }
  // Filling the file list waits in its own dialog: Back may have ended the step
  // meanwhile, and reset what follows here reads.
  if (leaving_) return;
  const vantor::RecoveryState& state = session().state;
  const bool normalScan = state.exhaustiveSwitch == 0 && state.partitionSearch == 0;
  menu()->setCommandEnabled(kCmdExhaustive, normalScan);
  for (Command id : {kCmdSaveLog, kCmdSearch, kCmdSaving}) menu()->setCommandEnabled(id, true);
  if (normalScan) MessagesInfo::Show(this, kExhaustiveAdvice);
}

void FileDisplay::switchToExhaustive() {
  if (!QuestionMessage::Ask(this, QString(vantor::kSwitchToExhaustiveText) + "\nAre you sure you want to start this process"))
    return;
  leaving_ = true;
  host_.stopAndWait();
  workerHost_.reset();
  session().folderTree.Reset(0);
  session().catalog.FreeCatalog();
  session().state.exhaustiveSwitch = 1;
  session().state.stateLoaded = 0;  // the volume is read now, not the saved scan
  done(kSwitchToExhaustive);
}

void FileDisplay::chooseFolder(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  uint64_t node = item->data(0, kNodeRole).toULongLong();
  uint32_t key = 0;
  if (node == currentNode_ || !vantor::FolderKeyOfItem(session(), node, key)) return;
  currentNode_ = node;
  fillList(key);
  status_->setText("Current Folder : " + (node == vantor::kRootItem ? QString("Root") : item->text(0)));
}

void FileDisplay::fillList(uint32_t key) {
  list_->clear();
  preview_->showFile(session(), nullptr);
  const bool ntfs = session().state.fileSystem() == vantor::FileSystemKind::kNtfs;
  ListControlFileDisplay::Run(this, session(), "      Please Wait - Adding Files/Folders ",
                              [this, key] { rows_ = vantor::FillFileList(session(), key); });
  updating_ = true;
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows_.size()));
  for (size_t i = 0; i < rows_.size(); ++i) {
    const vantor::FileListRow& r = rows_[i];
    auto* row = new ListRow(QStringList{QString::fromStdString(r.name), QString::fromStdString(r.type),
                                        QString::fromStdString(r.size), QString::fromStdString(r.modified),
                                        QString::fromStdString(r.created), QString::fromStdString(r.accessed),
                                        QString::fromStdString(r.id)});
    row->setData(0, kRowRole, QVariant::fromValue<qulonglong>(i));
    const vantor::RecordTime* stamps[] = {r.folder != nullptr ? &r.folder->modified : &r.file->modified,
                                          r.folder != nullptr ? &r.folder->created : &r.file->created,
                                          r.folder != nullptr ? &r.folder->accessed : &r.file->accessed};
    row->setData(2, kSortRole, QVariant::fromValue<qulonglong>(r.file != nullptr ? r.file->size() : 0));
    for (int c = 0; c < 3; ++c) row->setData(3 + c, kSortRole, StampKey(*stamps[c], ntfs));
    row->setData(6, kSortRole, QVariant::fromValue<qulonglong>(std::stoull(r.id)));
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    row->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
    for (int c = 0; c < 7; ++c) row->setForeground(c, r.deleted ? QColor(255, 0, 0) : QColor(0, 0, 0));
    items << row;
  }
  list_->addTopLevelItems(items);
  const int sorted = list_->header()->sortIndicatorSection();
  if (sorted >= 0 && sorted < 7) list_->sortItems(sorted, list_->header()->sortIndicatorOrder());
  updating_ = false;
}

void FileDisplay::syncTreeChecks(QTreeWidgetItem* item) {
  updating_ = true;
  std::vector<QTreeWidgetItem*> pending = {item};
  while (!pending.empty()) {
    QTreeWidgetItem* current = pending.back();
    pending.pop_back();
    const vantor::TreeNode* node = session().folderTree.node(current->data(0, kNodeRole).toULongLong());
    if (node == nullptr) continue;
    current->setCheckState(0, node->checked ? Qt::Checked : Qt::Unchecked);
    QFont font = current->font(0);
    font.setBold(node->bold);
    current->setFont(0, font);
    for (int i = 0; i < current->childCount(); ++i) pending.push_back(current->child(i));
  }
  updating_ = false;
}

void FileDisplay::syncListChecks() {
  updating_ = true;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = list_->topLevelItem(i);
    vantor::FileListRow& r = rows_[row->data(0, kRowRole).toULongLong()];
    r.checked = (r.folder != nullptr ? r.folder->selected : r.file->selected) == 'y';
    row->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
  }
  updating_ = false;
}

void FileDisplay::check(uint64_t node, bool checked) {
  auto keys = vantor::CheckSubtree(session(), node, checked);
  if (!keys.empty())
    ListControlFileDisplay::Run(this, session(),
                                checked ? "      Please Wait - Selecting Files/Folders "
                                        : "      Please Wait - UnSelecting Files/Folders ",
                                [this, keys, checked] { vantor::SelectionPass(session(), keys, checked); });
  if (QTreeWidgetItem* item = treeItem(node)) syncTreeChecks(item);
  syncListChecks();
}

void FileDisplay::onTreeCheck(QTreeWidgetItem* item) {
  if (updating_) return;
  check(item->data(0, kNodeRole).toULongLong(), item->checkState(0) == Qt::Checked);
}

void FileDisplay::onListChange(QTreeWidgetItem* row, int column) {
  if (updating_ || column != 0) return;
  vantor::FileListRow& r = rows_[row->data(0, kRowRole).toULongLong()];
  bool checked = row->checkState(0) == Qt::Checked;
  if (row->text(0).toStdString() != r.name) {
    rename(row);
  } else if (checked != r.checked) {
    if (r.folder != nullptr) {
      check(r.folder->treeItem, checked);
    } else {
      r.file->selected = checked ? 'y' : 'n';
      r.checked = checked;
    }
  }
}

void FileDisplay::rename(QTreeWidgetItem* row) {
  vantor::FileListRow& r = rows_[row->data(0, kRowRole).toULongLong()];
  std::string name = row->text(0).toStdString();
  bool renamed = r.folder != nullptr ? vantor::RenameFolder(session(), r.folder->treeItem, name)
                                     : vantor::RenameFile(session(), r.file->fileNumber, name);
  updating_ = true;
  if (!renamed) {
    row->setText(0, QString::fromStdString(r.name));
  } else {
    r.name = name;
    if (r.folder != nullptr)
      if (QTreeWidgetItem* item = treeItem(r.folder->treeItem)) item->setText(0, row->text(0));
  }
  updating_ = false;
}

void FileDisplay::openRow(const QPoint& position) {
  QTreeWidgetItem* row = list_->itemAt(position);
  if (row == nullptr) return;
  const vantor::FileListRow& r = rows_[row->data(0, kRowRole).toULongLong()];
  QMenu menu(this);
  menu.setObjectName("listMenu");
  QAction* open = menu.addAction("&Open");
  open->setObjectName("actionOpenFile");
  open->setEnabled(r.file != nullptr);
  if (menu.exec(list_->viewport()->mapToGlobal(position)) == open && r.file != nullptr)
    OpenFoundFile(this, session(), *r.file);
}

void FileDisplay::showFolder(uint64_t id) {
  QTreeWidgetItem* item = treeItem(id);
  if (item == nullptr) return;
  item->setExpanded(true);
  if (item->parent() != nullptr) item->parent()->setExpanded(true);
  tree_->setCurrentItem(item);
  tree_->scrollToItem(item);
  status_->setText("Current Folder : " + QString::fromStdString(vantor::TreePath(session().folderTree, id)));
}

void FileDisplay::searchFiles() {
  FILE_SEARCH dialog(session(), [this](uint64_t id) { showFolder(id); }, this);
  dialog.exec();
  if (QTreeWidgetItem* root = treeItem(vantor::kRootItem)) syncTreeChecks(root);
  syncListChecks();
}

bool FileDisplay::handleCommand(int id) {
  if (id == kCmdSearch) {
    searchFiles();
  } else if (id == kCmdSaving) {
    Settings dialog(session().savingFilter, this);
    dialog.exec();
  } else if (id == kCmdRecoverSelected) {
    recoverSelected();
  } else if (id == kCmdExhaustive) {
    switchToExhaustive();
  } else if (id == kCmdSaveLog) {
    SaveStateCommand(this, session(), context_.chooser, vantor::StateKind::kScan);
  } else if (id == kCmdRename) {
    if (QTreeWidgetItem* row = list_->currentItem()) list_->editItem(row, 0);
  } else {
    return false;
  }
  return true;
}

void FileDisplay::recoverSelected() {
  SavingPath dialog(context_, this);
  RunModal(dialog);
}

void FileDisplay::reject() { goBack(); }

void FileDisplay::goBack() {
  if (!QuestionMessage::Ask(this, kBackToStep2Question)) return;
  leaving_ = true;
  host_.stopAndWait();
  workerHost_.reset();
  vantor::RecoveryState& state = session().state;
  session().folderTree.Reset(0);
  if (state.partitionSearch == 0) {
    session().catalog.FreeCatalog();
    state.stateLoaded = 0;
  } else if (state.fileSystemName != u"NTFS") {
    session().catalog.FreeFiles();
    session().catalog.filesFound = 0;
  }
  state.exhaustiveSwitch = 0;
  done(QDialog::Rejected);
}
