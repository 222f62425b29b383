#include "gui/WizardStep.h"

#include <QDesktopServices>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/Captions.h"
#include "gui/LogCommands.h"
#include "gui/MessagesInfo.h"
#include "gui/ModalRun.h"
#include "gui/QuestionMessage.h"

WizardStep::WizardStep(WizardContext& context, QWidget* parent, const QString& savingText)
    : QDialog(parent), context_(context), layout_(new QVBoxLayout(this)), menu_(new StepMenu(this, savingText)) {
  layout_->setMenuBar(menu_);
  connect(menu_, &StepMenu::command, this, &WizardStep::onCommand);
}

int WizardStep::runNext(QDialog& next) {
  hide();
  int result = RunModal(next);
  if (context_.exitRequested) {
    done(QDialog::Rejected);
    return result;
  }
  show();
  return result;
}

void WizardStep::askExit() {
  if (!QuestionMessage::Ask(this, kExitQuestion)) return;
  context_.exitRequested = true;
  done(QDialog::Rejected);
}

bool WizardStep::handleCommand(int) { return false; }

void WizardStep::onCommand(int id) {
  if (handleCommand(id)) return;
  switch (id) {
    case kCmdExit:
      askExit();
      break;
    case kCmdHelp:
      QDesktopServices::openUrl(QUrl::fromLocalFile(context_.helpFile));
      break;
    case kCmdAbout:
      MessagesInfo::Show(this, QString(kMainCaption) + "\nVersion 1.0");
      break;
    default:
      RunLogCommand(this, session(), context_.chooser, id);
      break;
  }
}
