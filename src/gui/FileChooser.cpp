#include "gui/FileChooser.h"

#include <QFileDialog>
#include <QStringList>

namespace {

// "Text (*.a)|*.a;||All Files(*.*)|*.*" -> "Text (*.a) (*.a);;All Files(*.*) (*)"
QString QtFilter(const QString& filter) {
  QStringList parts = filter.split('|', Qt::SkipEmptyParts);
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    patterns.replace("*.*", "*");
    entries << parts[i] + " (" + patterns.trimmed() + ")";
  }
  return entries.join(";;");
}

}  // namespace

QString QtFileChooser::openFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, QString(), QtFilter(filter));
}

QString QtFileChooser::saveFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getSaveFileName(parent, title, QString(), QtFilter(filter));
}

QString QtFileChooser::chooseFolder(QWidget* parent, const QString& title) {
  return QFileDialog::getExistingDirectory(parent, title);
}
