// The common part of the wizard's step dialogs: the menu bar with the commands
// that every step handles alike (Exit, the logs, Help, About), and the hand-over to
// the next step, which hides this one while the next one runs.
#pragma once

#include <QDialog>

#include "gui/StepMenu.h"
#include "gui/WizardContext.h"

class QVBoxLayout;

class WizardStep : public QDialog {
  Q_OBJECT
 public:
  WizardStep(WizardContext& context, QWidget* parent, const QString& savingText = "&Saving");

  StepMenu* menu() const { return menu_; }

 protected:
  // Hides this step, runs `next` modally and shows this step again; when the user
  // chose Exit meanwhile, closes this step too.
  int runNext(QDialog& next);
  // A command of the menu that this step handles itself; true when handled.
  virtual bool handleCommand(int id);
  // Asks "Are you sure you want to exit" and ends the wizard on Yes.
  void askExit();
  vantor::Session& session() { return context_.session; }

  WizardContext& context_;
  QVBoxLayout* layout_;

 private:
  void onCommand(int id);
  StepMenu* menu_;
};
