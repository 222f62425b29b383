#include "gui/CSelectionRecovery.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>

#include "disk/SourceSelection.h"
#include "gui/Captions.h"
#include "gui/DesktopRecovery.h"
#include "gui/DialogParts.h"
#include "gui/ImageRecovery.h"
#include "gui/MessagesInfo.h"
#include "gui/QuestionMessage.h"
#include "gui/RawRecovery.h"
#include "platform/Utf.h"

namespace {

constexpr const char* kFilter = "Virtual Machine Files (*.vmdk)|*.vmdk;||All Files(*.*)|*.*";
// A snapshot whose parent was written since is read as the parent is now where
// the snapshot left grains unwritten: what it gives may be a mix of two times.
constexpr const char* kParentChangedQuestion =
    "The parent disk of this snapshot was written to after the snapshot was taken, so the parts that the "
    "snapshot did not change may not be as they were then.\n\nRead it all the same?";
enum Step1 { kDesktop, kImage, kRaw };

}  // namespace

CSelectionRecovery::CSelectionRecovery(WizardContext& context, QWidget* parent) : WizardStep(context, parent) {
  setObjectName("selectionRecovery");
  setWindowTitle(kMainCaption);
  layout_->addWidget(NamedLabel(this, "Select the Recovery Mode", "modeTitle"));
  auto* modes = new QGroupBox(this);
  auto* grid = new QGridLayout(modes);
  fastMode_ = NamedButton(modes, "Vantor", "vantorButton");
  QPushButton* exhaustive = NamedButton(modes, "Exhaustive Recovery", "exhaustiveButton");
  QPushButton* imaging = NamedButton(modes, "Disk Imaging", "imagingButton");
  QPushButton* raw = NamedButton(modes, "Raw Recovery", "rawButton");
  for (QPushButton* b : {fastMode_, exhaustive, imaging, raw}) b->setMinimumSize(180, 48);
  grid->addWidget(fastMode_, 0, 0);
  grid->addWidget(exhaustive, 0, 1);
  grid->addWidget(imaging, 1, 0);
  grid->addWidget(raw, 1, 1);
  layout_->addWidget(modes);
  hint_ = NamedLabel(this, QString(), "hintText");
  layout_->addWidget(hint_);
  selectedFile_ = NamedLabel(this, QString(), "selectedFile");
  selectedFile_->setWordWrap(true);
  layout_->addWidget(selectedFile_);
  QPushButton* open = NamedButton(this, "Open", "openButton");
  QPushButton* help = NamedButton(this, "Help", "helpButton");
  QPushButton* cancel = NamedButton(this, "Cancel", "cancelButton");
  layout_->addLayout(ButtonRow({open, help, cancel}));

  fastMode_->installEventFilter(this);
  connect(fastMode_, &QPushButton::clicked, this, [this] { runMode(0, kDesktop); });
  connect(exhaustive, &QPushButton::clicked, this, [this] { runMode(1, kDesktop); });
  connect(imaging, &QPushButton::clicked, this, [this] { runMode(0, kImage); });
  connect(raw, &QPushButton::clicked, this, [this] { runMode(1, kRaw); });
  connect(open, &QPushButton::clicked, this, [this] { handleCommand(kCmdOpen); });
  connect(help, &QPushButton::clicked, menu()->action(kCmdHelp), &QAction::trigger);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  showSelectedFile();
}

bool CSelectionRecovery::eventFilter(QObject* watched, QEvent* event) {
  if (watched == fastMode_ && event->type() == QEvent::FocusIn)
    hint_->setText("Select Quick Scan Mode for Deleted Files & folders");
  return WizardStep::eventFilter(watched, event);
}

bool CSelectionRecovery::handleCommand(int id) {
  if (id != kCmdOpen) return false;
  chooseFile("Open");
  return true;
}

bool CSelectionRecovery::chooseFile(const QString& title) {
  QString path = context_.chooser.openFile(this, title, kFilter);
  if (path.isEmpty()) return false;
  vantor::RecoveryState& state = session().state;
  state.vmFilePath = path.toStdU16String();
  state.vmFileName = path.section('/', -1).toStdU16String();
  state.vmValid = 0;
  vantor::VirtualDisk& disk = session().reader.virtualDisk;
  disk.setIgnoreParentCid(false);
  vantor::SourceChoice choice = vantor::ChooseVirtualDisk(session(), path.toStdString());
  if (!choice.ok && disk.parentCidChanged() && QuestionMessage::Ask(this, kParentChangedQuestion)) {
    disk.setIgnoreParentCid(true);
    choice = vantor::ChooseVirtualDisk(session(), path.toStdString());
  }
  if (!choice.ok) {
    if (choice.message.starts_with(kWrongFileMessage)) {
      state.vmFilePath.clear();
      state.vmFileName.clear();
    }
    MessagesInfo::Show(this, QString::fromStdString(choice.message));
  } else if (std::string warning = vantor::VirtualDiskWarning(session()); !warning.empty()) {
    MessagesInfo::Show(this, QString::fromStdString(warning));
  }
  showSelectedFile();
  return true;
}

void CSelectionRecovery::showSelectedFile() {
  const std::u16string& path = session().state.vmFilePath;
  selectedFile_->setText("Selected Virtual Machine :-  " +
                         (path.empty() ? QString("No File Selected") : QString::fromStdU16String(path)));
}

void CSelectionRecovery::runMode(int exhaustiveChosen, int step) {
  vantor::RecoveryState& state = session().state;
  if (state.vmFilePath.empty()) chooseFile("Select Virtual Machine File");
  if (state.vmValid != 1) {
    MessagesInfo::Show(this, kWrongFileMessage);
    return;
  }
  state.exhaustiveChosen = exhaustiveChosen;
  if (step == kImage) {
    ImageRecovery next(context_, this);
    runNext(next);
  } else if (step == kRaw) {
    RawRecovery next(context_, this);
    runNext(next);
  } else {
    DesktopRecovery next(context_, this);
    runNext(next);
  }
}
