#include "gui/ModalRun.h"

#include <QDialog>
#include <QEventLoop>

int RunModal(QDialog& dialog) {
  dialog.setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
  dialog.show();
  loop.exec(QEventLoop::DialogExec);
  return dialog.result();
}
