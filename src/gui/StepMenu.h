// The menu bar that every step of the wizard carries. A command keeps its number
// in every dialog; a step that shows a command it does not handle ignores it.
#pragma once

#include <QMenuBar>
#include <QObject>
#include <map>

class QAction;

enum Command : int {
  kCmdExhaustive = 32774,
  kCmdExit = 32775,
  kCmdSaveLog = 32776,
  kCmdLoadLog = 32777,
  kCmdActivityReport = 32779,
  kCmdRecoveryHistory = 32780,
  kCmdClearActivity = 32781,
  kCmdActivityPath = 32784,
  kCmdSaving = 32785,
  kCmdHelp = 32804,
  kCmdAbout = 32805,
  kCmdRecoveryPath = 32806,
  kCmdRecoverSelected = 32807,
  kCmdSearch = 32810,
  kCmdClearRecovery = 32811,
  kCmdRename = 32812,
  kCmdOpen = 32824,
};

class StepMenu : public QMenuBar {
  Q_OBJECT
 public:
  // `savingText` is "&Saving" before Step 4 and "&Saving Using Filter" in it.
  StepMenu(QWidget* parent, const QString& savingText = "&Saving");

  QAction* action(Command id) const { return actions_.at(id); }
  void setCommandEnabled(Command id, bool enabled);
  void setAllEnabled(bool enabled);

 signals:
  void command(int id);

 private:
  QAction* add(QMenu* menu, Command id, const QString& text, const char* name, QKeySequence key = {});
  std::map<int, QAction*> actions_;
};
