#include "gui/SavingPath.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/DialogParts.h"
#include "gui/ListControlFileDisplay.h"
#include "gui/ModalRun.h"
#include "gui/SavingDlg.h"
#include "save/Destination.h"
#include "session/Session.h"

SavingPath::SavingPath(WizardContext& context, QWidget* parent)
    : QDialog(parent), context_(context), path_(new QLineEdit(this)) {
  setObjectName("savingPath");
  setWindowTitle("Saving File(s) & Folders(s)");
  context_.session.savingRun.Reset();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NamedLabel(this, "Select Saving Path :", "pathCaption"));
  path_->setObjectName("pathField");
  path_->setMaxLength(260);
  path_->setMinimumWidth(420);
  QPushButton* browse = NamedButton(this, "Browse", "browseButton");
  auto* row = new QHBoxLayout;
  row->addWidget(path_, 1);
  row->addWidget(browse);
  layout->addLayout(row);
  layout->addWidget(NamedLabel(this, "Note : It is advisable to Save Data on a Drive other then the Source.", "note"));
  QPushButton* settings = NamedButton(this, "Settings", "settingsButton");
  settings->setEnabled(false);
  QPushButton* ok = NamedButton(this, "OK", "okButton");
  QPushButton* cancel = NamedButton(this, "Cancel", "cancelButton");
  ok->setDefault(true);
  layout->addLayout(ButtonRow({settings, ok, cancel}));
  connect(browse, &QPushButton::clicked, this, &SavingPath::browse);
  connect(ok, &QPushButton::clicked, this, &SavingPath::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SavingPath::browse() {
  QString folder = context_.chooser.chooseFolder(this, "Select Saving Path");
  if (!folder.isEmpty()) path_->setText(folder);
}

void SavingPath::accept() {
  vantor::Session& session = context_.session;
  std::string typed = path_->text().toStdString();
  bool raw = session.state.mode == vantor::RecoveryMode::kRawSearching;
  vantor::DestinationOutcome outcome = vantor::DestinationOutcome::kInvalid;
  ListControlFileDisplay::Run(this, session, "      Please Wait - Computing Size ",
                              [&] { outcome = vantor::AcceptDestination(session, typed, raw); });
  if (outcome == vantor::DestinationOutcome::kNothingSelected) {
    done(QDialog::Rejected);
  } else if (outcome == vantor::DestinationOutcome::kAccepted) {
    hide();
    if (!raw) {
      SavingDlg progress(context_, this);
      RunModal(progress);
    }
    done(QDialog::Accepted);
  }
}
