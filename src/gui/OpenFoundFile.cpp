#include "gui/OpenFoundFile.h"

#include "gui/ListControlFileDisplay.h"
#include "gui/MessagesInfo.h"
#include "save/SavingWorker.h"
#include "session/Session.h"

void OpenFoundFile(QWidget* parent, vantor::Session& session, const vantor::FileRecord& file) {
  std::string path;
  bool opened = false;
  // A large file takes a while to write: on a worker, with the waiting dialog's Stop.
  ListControlFileDisplay::Run(parent, session, "      Please Wait - Opening File ",
                              [&] { opened = vantor::OpenRecoveredFile(session, file, path); });
  if (opened) return;
  const QString name = QString::fromStdString(file.name.utf8());
  if (path.empty())
    MessagesInfo::Show(parent, "Cannot open " + name + ": it could not be read or written to the temporary folder.");
  else
    MessagesInfo::Show(parent, "No program is set up to open " + name + ". It was saved as " +
                                   QString::fromStdString(path) + ".");
}
