#include "gui/OpenFoundFile.h"

#include "gui/MessagesInfo.h"
#include "save/SavingWorker.h"
#include "session/Session.h"

void OpenFoundFile(QWidget* parent, vantor::Session& session, const vantor::FileRecord& file) {
  std::string path;
  if (vantor::OpenRecoveredFile(session, file, path)) return;
  const QString name = QString::fromStdString(file.name.utf8());
  if (path.empty())
    MessagesInfo::Show(parent, "Cannot open " + name + ": it could not be read or written to the temporary folder.");
  else
    MessagesInfo::Show(parent, "No program is set up to open " + name + ". It was saved as " +
                                   QString::fromStdString(path) + ".");
}
