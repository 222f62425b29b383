#include "gui/ExhaustivePartitionInfo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QTreeWidget>

#include "gui/ActivityLog.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/SearchProgress.h"
#include "gui/StateCommands.h"
#include "gui/StepMenu.h"
#include "lost/FoundFileSystems.h"
#include "platform/Utf.h"
#include "session/Session.h"

namespace {

constexpr const char* kCaptions[] = {"File System :", "Size :", "Start Sector :", "End Sector :"};
constexpr const char* kValueNames[] = {"foundName", "foundSize", "foundStart", "foundEnd"};

}  // namespace

ExhaustivePartitionInfo::ExhaustivePartitionInfo(WizardContext& context, QWidget* parent)
    : WizardStep(context, parent) {
  setObjectName("exhaustivePartitionInfo");
  setWindowTitle(QString(kMainCaption) + " - Step 2 (c)");
  layout_->addWidget(NamedLabel(this, "Step 2 (c) : Select the file system.", "stepTitle"));
  auto* row = new QHBoxLayout;
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("foundTree");
  tree_->setHeaderHidden(true);
  tree_->setMinimumSize(260, 220);
  row->addWidget(tree_);
  auto* panel = new QGroupBox(this);
  panel->setObjectName("foundPanel");
  auto* grid = new QGridLayout(panel);
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(NamedLabel(panel, kCaptions[i], "foundCaption"), i, 0);
    values_[i] = NamedLabel(panel, QString(), kValueNames[i]);
    grid->addWidget(values_[i], i, 1);
  }
  grid->setRowStretch(4, 1);
  row->addWidget(panel, 1);
  layout_->addLayout(row);
  QPushButton* back = NamedButton(this, "Back", "backButton");
  next_ = NamedButton(this, "Next", "nextButton");
  layout_->addLayout(ButtonRow({back, next_}));
  connect(back, &QPushButton::clicked, this, &ExhaustivePartitionInfo::reject);
  connect(next_, &QPushButton::clicked, this, &ExhaustivePartitionInfo::next);

  const vantor::LostSearchLists& lists = session().lostSearch;
  if (lists.found.empty()) {
    layout_->insertWidget(1, NamedLabel(this, vantor::kNoFileSystemsText, "nothingFound"));
    next_->setEnabled(false);
  } else {
    std::vector<std::string> lines{"", "Step 2 (c) :", "-------"};
    for (std::string& line : vantor::FoundFileSystemLogLines(lists)) lines.push_back(std::move(line));
    WriteActivity(session(), lines);
    for (size_t i = 0; i < lists.found.size(); ++i)
      new QTreeWidgetItem(tree_, QStringList(QString::fromStdString(vantor::FoundFileSystemText(i + 1, lists.found[i].name))));
  }
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { describe(item); });
  if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
  setMinimumWidth(560);
}

void ExhaustivePartitionInfo::describe(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  vantor::RecoveryState& state = session().state;
  state.selectedPartitionText = item->text(0).toStdU16String();
  vantor::FoundDescription found;
  if (!vantor::DescribeFoundFileSystem(session(), state, session().lostSearch,
                                       vantor::FoundFileSystemNumber(state.selectedPartitionText), found))
    return;
  const QString texts[] = {QString::fromStdString(found.name), QString::fromStdString(found.sizeText),
                           QString::number(found.startSector), QString::number(found.endSector)};
  for (int i = 0; i < 4; ++i) values_[i]->setText(texts[i]);
}

bool ExhaustivePartitionInfo::handleCommand(int id) {
  if (id != kCmdSaveLog) return false;
  SaveStateCommand(this, session(), context_.chooser, vantor::StateKind::kSearch);
  return true;
}

void ExhaustivePartitionInfo::next() {
  if (tree_->currentItem() == nullptr) return;
  WriteActivity(session(), {"Selected File System : " + vantor::Utf16ToUtf8(session().state.selectedPartitionText)});
  SearchProgress step3(context_, this);
  runNext(step3);
}

void ExhaustivePartitionInfo::reject() {
  vantor::Session& s = session();
  s.lostSearch.Clear();
  s.catalog.FreeCatalog();
  s.folderTree.Reset(0);
  s.state.stateLoaded = 0;
  s.state.searchPass = 0;
  QDialog::reject();
}
