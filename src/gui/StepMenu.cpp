#include "gui/StepMenu.h"

#include <QAction>
#include <QMenu>

StepMenu::StepMenu(QWidget* parent, const QString& savingText) : QMenuBar(parent) {
  setObjectName("stepMenu");
  QMenu* file = addMenu("&File");
  add(file, kCmdOpen, "O&pen", "actionOpen");
  add(file, kCmdSaveLog, "&Save Log", "actionSaveLog");
  add(file, kCmdLoadLog, "L&oad Log", "actionLoadLog");
  file->addSeparator();
  add(file, kCmdExit, "E&xit", "actionExit");
  QMenu* options = addMenu("&Options");
  add(options, kCmdExhaustive, "Ex&haustive Recovery", "actionExhaustive");
  add(options, kCmdRecoverSelected, "&Recover Selected", "actionRecoverSelected", Qt::Key_F5);
  add(options, kCmdSearch, "&Search File / Folder", "actionSearch", Qt::Key_F3);
  add(options, kCmdRename, "R&ename File/Folder", "actionRename", Qt::Key_F2);
  add(options, kCmdSaving, savingText, "actionSaving", Qt::Key_F6);
  QMenu* reports = addMenu("&Reports");
  add(reports, kCmdActivityReport, "&Activity Report", "actionActivityReport");
  add(reports, kCmdRecoveryHistory, "Recovery &History", "actionRecoveryHistory");
  reports->addSeparator();
  add(reports, kCmdClearActivity, "&Clear Activity Report", "actionClearActivity");
  add(reports, kCmdClearRecovery, "Clear Recovery H&istory", "actionClearRecovery");
  reports->addSeparator();
  add(reports, kCmdActivityPath, "&Change &Activity Report Path", "actionActivityPath");
  add(reports, kCmdRecoveryPath, "Change &Recovery History Path", "actionRecoveryPath");
  QMenu* help = addMenu("&Help");
  add(help, kCmdHelp, "&Help", "actionHelp", Qt::Key_F1);
  add(help, kCmdAbout, "&About Us", "actionAbout");
}

QAction* StepMenu::add(QMenu* menu, Command id, const QString& text, const char* name, QKeySequence key) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  if (!key.isEmpty()) {
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    parentWidget()->addAction(action);
  }
  connect(action, &QAction::triggered, this, [this, id] { emit command(id); });
  actions_[id] = action;
  return action;
}

void StepMenu::setCommandEnabled(Command id, bool enabled) { actions_.at(id)->setEnabled(enabled); }

void StepMenu::setAllEnabled(bool enabled) {
  for (auto& [id, action] : actions_) action->setEnabled(enabled);
}
