#include "gui/PartitionRange.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QTreeWidget>

#include "gui/ActivityLog.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/ExhaustivePartitionInfo.h"
#include "gui/ImageCreation.h"
#include "gui/MessagesInfo.h"
#include "gui/RawDefaultExtension.h"
#include "gui/SearchProgress.h"
#include "partition/PartitionRange.h"
#include "platform/Utf.h"
#include "session/Session.h"

namespace {

constexpr const char* kExplanation =
    "Select the relevant file system from which your data got lost. Click Next to proceed to Step 2B.";
constexpr const char* kRawExplanation =
    "Select the relevant file system  from which   your   data    got     lost    or choose unknown if  partition  "
    "is  not known. Click  Next to proceed  to Step 2B.";
constexpr const char* kTooLarge =
    "Sector numbers above 4294967295 cannot be entered here. Search such a disk with the command line: vantor lost "
    "SOURCE --range FIRST END --fs TYPE";

// True when the text is a number that the dialog's 32-bit fields cannot hold.
bool Beyond32Bits(const QString& text) {
  bool ok = false;
  const qulonglong value = text.toULongLong(&ok);
  return ok && value > 0xFFFFFFFFull;
}

}  // namespace

PartitionRange::PartitionRange(WizardContext& context, QWidget* parent) : WizardStep(context, parent) {
  setObjectName("partitionRange");
  setWindowTitle("Enter Range to search for more Partitions");
  vantor::RecoveryState& state = session().state;
  relabel_ = state.fileSystemName == u"UNKNOWN";
  if (relabel_) state.selectedPartitionText = u"File System  - UNKNOWN";
  layout_->addWidget(NamedLabel(this, "Step 2 (a) : Enter the range to search.", "stepTitle"));
  auto* tree = new QTreeWidget(this);
  tree->setObjectName("rangeTree");
  tree->setHeaderHidden(true);
  tree->setMaximumHeight(90);
  auto* root = new QTreeWidgetItem(tree, QStringList(QString::fromStdU16String(state.selectedItemText)));
  partitionItem_ = new QTreeWidgetItem(root, QStringList(QString::fromStdU16String(state.selectedPartitionText)));
  tree->expandAll();
  layout_->addWidget(tree);
  auto* grid = new QGridLayout;
  start_ = new QLineEdit(QString::number(state.startSector), this);
  start_->setObjectName("startRange");
  end_ = new QLineEdit(QString::number(state.endSector), this);
  end_->setObjectName("endRange");
  fileSystem_ = new QComboBox(this);
  fileSystem_->setObjectName("fileSystemList");
  fileSystem_->addItems({"FAT16", "FAT32", "NTFS", "UNKNOWN"});
  const int current = fileSystem_->findText(QString::fromStdU16String(state.fileSystemName));
  fileSystem_->setCurrentIndex(current >= 0 ? current : 3);
  grid->addWidget(NamedLabel(this, "Starting Range  :", "startCaption"), 0, 0);
  grid->addWidget(start_, 0, 1);
  grid->addWidget(NamedLabel(this, "Ending Range  :", "endCaption"), 1, 0);
  grid->addWidget(end_, 1, 1);
  grid->addWidget(NamedLabel(this, "File System       :", "fileSystemCaption"), 2, 0);
  grid->addWidget(fileSystem_, 2, 1);
  layout_->addLayout(grid);
  QLabel* explanation = NamedLabel(
      this, state.mode == vantor::RecoveryMode::kRawChosen ? kRawExplanation : kExplanation, "explanation");
  explanation->setWordWrap(true);
  layout_->addWidget(explanation);
  QPushButton* back = NamedButton(this, "Back", "backButton");
  QPushButton* nextButton = NamedButton(this, "Next", "nextButton");
  layout_->addLayout(ButtonRow({back, nextButton}));
  connect(back, &QPushButton::clicked, this, &QDialog::reject);
  connect(nextButton, &QPushButton::clicked, this, &PartitionRange::next);
  setMinimumWidth(480);
}

void PartitionRange::next() {
  vantor::RecoveryState& state = session().state;
  const vantor::RangeInput input{start_->text().toStdString(), end_->text().toStdString(),
                                 fileSystem_->currentText().toStdString()};
  if (Beyond32Bits(start_->text()) || Beyond32Bits(end_->text())) {
    MessagesInfo::Show(this, kTooLarge);
    return;
  }
  if (std::string problem = vantor::AcceptPartitionRange(state, input); !problem.empty()) {
    MessagesInfo::Show(this, QString::fromStdString(problem));
    return;
  }
  const std::string name = fileSystem_->currentText() == "UNKNOWN" ? std::string("UNKNOWN") : input.fileSystem;
  if (relabel_) {
    state.selectedPartitionText = vantor::Utf8ToUtf16("Partition - 1 (" + name + " )");
    partitionItem_->setText(0, QString::fromStdU16String(state.selectedPartitionText));
  }
  std::vector<std::string> lines{"", "Step 2 (a) :", "-------"};
  for (std::string& line : vantor::PartitionRangeLogLines(input, vantor::Utf16ToUtf8(state.fileSystemName)))
    lines.push_back(std::move(line));
  WriteActivity(session(), lines);
  if (state.mode == vantor::RecoveryMode::kRawChosen) {
    RawDefaultExtension step2b(context_, this);
    runNext(step2b);
    return;
  }
  if (state.imaging == 1) {
    ImageCreation step2b(context_, this);
    runNext(step2b);
    return;
  }
  state.partitionSearch = 1;
  session().lostSearch.Clear();
  SearchProgress step3(context_, this);
  if (runNext(step3) != QDialog::Accepted || context_.exitRequested) return;
  ExhaustivePartitionInfo step2c(context_, this);
  runNext(step2c);
}
