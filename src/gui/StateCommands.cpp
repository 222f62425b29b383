#include "gui/StateCommands.h"

#include <QApplication>
#include <QString>

#include "disk/SourceSelection.h"
#include "gui/FileChooser.h"
#include "gui/MessagesInfo.h"
#include "session/Session.h"

void SaveStateCommand(QWidget* parent, vantor::Session& session, FileChooser& chooser, vantor::StateKind kind) {
  const bool search = kind == vantor::StateKind::kSearch;
  const QString typed = chooser.saveFile(parent, "Save Log", search ? "Step 2C Log (*.St2c)|*.St2c" : "Step 4 Log (*.St4)|*.St4");
  if (typed.isNull()) return;
  const std::string path = vantor::StatePath(typed.toStdString(), kind);
  if (path.empty()) {
    MessagesInfo::Show(parent, search ? vantor::kStep2cStatePathText : vantor::kStep4StatePathText);
    return;
  }
  // A catalog of a million records is written in a second or two.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::string problem =
      vantor::SaveState(path, kind, vantor::CurrentStateSource(session.state, session.reader), session.state,
                        session.lostSearch, session.catalog, vantor::SourcePaths(session.reader));
  QApplication::restoreOverrideCursor();
  if (!problem.empty()) MessagesInfo::Show(parent, QString::fromStdString(problem));
}

bool LoadStateCommand(QWidget* parent, vantor::Session& session, FileChooser& chooser) {
  const QString chosen = chooser.openFile(parent, "Load Log", "Saved Log (*.St4;*.St2c)|*.St4;*.ST4;*.St2c;*.ST2C");
  if (chosen.isEmpty()) return false;
  const std::string path = chosen.toStdString();
  vantor::StateKind kind = vantor::StateKind::kScan;
  if (!vantor::StateKindOf(path, kind)) return false;
  vantor::RecoveryState& state = session.state;
  const std::string problem =
      vantor::LoadStateHeader(path, vantor::CurrentStateSource(state, session.reader), state, session.lostSearch);
  if (problem.empty()) return true;
  state.stateLoaded = 0;
  MessagesInfo::Show(parent, QString::fromStdString(problem));
  return false;
}
