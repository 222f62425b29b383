#include "gui/CVTFATNTFSApp.h"

#include <QApplication>
#include <QFileInfo>

#include "gui/Captions.h"
#include "gui/CSelectionRecovery.h"
#include "gui/ModalRun.h"
#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "platform/ConfigStore.h"
#include "platform/DevicePaths.h"
#include "platform/Folders.h"

#ifndef VANTOR_HELP_FILE
#define VANTOR_HELP_FILE "help.html"
#endif

namespace {

// The help beside the program when it is installed, else the one of the source tree.
QString HelpFile() {
  QString installed = QCoreApplication::applicationDirPath() + "/../share/vantor/help.html";
  return QFileInfo::exists(installed) ? installed : QString(VANTOR_HELP_FILE);
}

}  // namespace

CVTFATNTFSApp::CVTFATNTFSApp(FileChooser& chooser)
    : uiHost_(nullptr), context_{session_, chooser, HelpFile(), false} {
  session_.setHost(&uiHost_);
}

CVTFATNTFSApp::~CVTFATNTFSApp() { session_.setHost(nullptr); }

bool CVTFATNTFSApp::startUp() {
  QApplication::setApplicationDisplayName(kMainCaption);
  vantor::ConfigStore store = vantor::ConfigStore::Load();
  std::string install = store.get(vantor::kProductKey, "FilePath").value_or("");
  if (install.empty()) {
    install = vantor::DefaultInstallFolder();
    store.set(vantor::kProductKey, "FilePath", install);
    store.save();
  }
  session_.reader.setDeviceMap(vantor::LoadDeviceMap(store));
  if (!vantor::MakeFolderPath(install)) return false;
  vantor::LogRunStart(session_.startTime, vantor::kActivityLog);
  return true;
}

int CVTFATNTFSApp::run() {
  CSelectionRecovery start(context_);
  return RunModal(start);
}
