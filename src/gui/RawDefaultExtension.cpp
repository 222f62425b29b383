#include "gui/RawDefaultExtension.h"

#include <QCheckBox>
#include <QGridLayout>

#include "gui/ActivityLog.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/MessagesInfo.h"
#include "gui/ModalRun.h"
#include "gui/SavingPath.h"
#include "gui/SearchProgress.h"
#include "scan/RawSearch.h"
#include "session/Session.h"

namespace {

constexpr int kColumns = 4;

}  // namespace

RawDefaultExtension::RawDefaultExtension(WizardContext& context, QWidget* parent) : WizardStep(context, parent) {
  setObjectName("rawDefaultExtension");
  setWindowTitle(QString(kMainCaption) + " - Step 2 (b)");
  layout_->addWidget(NamedLabel(this, "Step 2 (b) : Select the types of the files to search for.", "stepTitle"));
  auto* grid = new QGridLayout;
  for (size_t i = 0; i < vantor::kRawTypeCount; ++i) {
    boxes_[i] = new QCheckBox(vantor::kRawTypeNames[i], this);
    boxes_[i]->setObjectName(QString("type") + vantor::kRawTypeNames[i]);
    grid->addWidget(boxes_[i], static_cast<int>(i) / kColumns, static_cast<int>(i) % kColumns);
  }
  layout_->addLayout(grid);
  QPushButton* all = NamedButton(this, "Select &All", "selectAllButton");
  QPushButton* back = NamedButton(this, "Back", "backButton");
  QPushButton* nextButton = NamedButton(this, "Next", "nextButton");
  QPushButton* help = NamedButton(this, "Help", "helpButton");
  layout_->addLayout(ButtonRow({all, back, nextButton, help}));
  connect(all, &QPushButton::clicked, this, &RawDefaultExtension::tickAll);
  connect(back, &QPushButton::clicked, this, &QDialog::reject);
  connect(nextButton, &QPushButton::clicked, this, &RawDefaultExtension::next);
  connect(help, &QPushButton::clicked, menu()->action(kCmdHelp), &QAction::trigger);
}

QString RawDefaultExtension::ChooseFolder(WizardContext& context, QWidget* parent) {
  context.session.savingRun.savingPath.clear();
  SavingPath dialog(context, parent);
  RunModal(dialog);
  return QString::fromStdString(context.session.savingRun.savingPath);
}

void RawDefaultExtension::tickAll() {
  const bool tick = std::any_of(boxes_.begin(), boxes_.end(), [](QCheckBox* box) { return !box->isChecked(); });
  for (QCheckBox* box : boxes_) box->setChecked(tick);
}

void RawDefaultExtension::next() {
  std::array<bool, vantor::kRawTypeCount> ticked{};
  for (size_t i = 0; i < ticked.size(); ++i) ticked[i] = boxes_[i]->isChecked();
  std::vector<std::string> lines{"", "Step 2 (b) :", "-------"};
  for (std::string& line : vantor::RawChoiceLines(ticked)) lines.push_back(std::move(line));
  WriteActivity(session(), lines);
  session().rawRules = vantor::BuildRules(ticked);
  if (std::none_of(ticked.begin(), ticked.end(), [](bool t) { return t; })) {
    MessagesInfo::Show(this, "Please select extensions to start.");
    return;
  }
  WriteActivity(session(), {""});
  // The saving path dialog only chooses the folder in this mode, and Step 3
  // runs the raw worker in it; Back from Step 3 returns to the choice here.
  vantor::RecoveryState& state = session().state;
  state.mode = vantor::RecoveryMode::kRawSearching;
  const QString folder = ChooseFolder(context_, this);
  if (!folder.isEmpty()) {
    WriteActivity(session(), {"Saving Path : " + folder.toStdString()});
    SearchProgress step3(context_, this);
    runNext(step3);
  }
  state.mode = vantor::RecoveryMode::kRawChosen;
}
