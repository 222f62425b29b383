#include "gui/LogCommands.h"

#include "gui/LogPath.h"
#include "gui/StepMenu.h"
#include "logs/Logs.h"
#include "session/Session.h"

bool RunLogCommand(QWidget* parent, vantor::Session& session, FileChooser& chooser, int id) {
  using namespace vantor;
  switch (id) {
    case kCmdActivityReport:
      OpenLog(session.host(), kActivityLog);
      return true;
    case kCmdRecoveryHistory:
      OpenLog(session.host(), kRecoveryLog);
      return true;
    case kCmdClearActivity:
      ClearLog(session.host(), kActivityLog);
      return true;
    case kCmdClearRecovery:
      ClearLog(session.host(), kRecoveryLog);
      return true;
    case kCmdActivityPath:
    case kCmdRecoveryPath: {
      LogPath dialog(id == kCmdActivityPath ? kActivityLog : kRecoveryLog, chooser, parent);
      dialog.exec();
      return true;
    }
    default:
      return false;
  }
}
