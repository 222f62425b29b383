// Step 4 and the saving dialogs on the sample's FAT32 partition: rename with F2
// (a file and a folder, the tree following), the second save into the same
// destination answered "Rename All" in Replace1, and the log commands of the menu
// (a new activity log folder through LogPath, clearing the recovery history).
// Destinations that stand as files, the source itself and a read-only folder
// are refused in the saving dialog, which stays open, and are left as they were.
// "Save Log" writes the scan as typed, upper-cased with its extension, and
// Step 2's "Load Log" brings it back into Step 4 without reading the volume.
#include <QAbstractItemDelegate>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <sys/stat.h>

#include "GuiFixture.h"
#include "logs/Logs.h"

namespace {

QTreeWidgetItem* Find(QDialog* dialog, const char* tree, const QString& text) {
  auto found = dialog->findChild<QTreeWidget*>(tree)->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.front();
}

// The menu command of `name`, after checking its function key.
void Command(QDialog* dialog, const char* name, Qt::Key key) {
  auto* action = dialog->findChild<QAction*>(name);
  QVERIFY2(action != nullptr && action->isEnabled(), name);
  QCOMPARE(action->shortcut(), QKeySequence(key));
  action->trigger();
}

void RenameRow(QDialog* dialog, const QString& from, const QString& to) {
  auto* list = dialog->findChild<QTreeWidget*>("fileList");
  QTreeWidgetItem* row = Find(dialog, "fileList", from);
  QVERIFY2(row != nullptr, qPrintable(from));
  list->setCurrentItem(row);
  Command(dialog, "actionRename", Qt::Key_F2);
  auto* editor = list->viewport()->findChild<QLineEdit*>();
  QVERIFY(editor != nullptr);
  editor->setText(to);
  // Ending the edit as the delegate does on Return.
  emit list->itemDelegate()->commitData(editor);
  emit list->itemDelegate()->closeEditor(editor);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(row->text(0), to);
}

Script& SaveTo(Script& script, const QString& destination) {
  return script
      .on("fileDisplay", [](QDialog* d) { Command(d, "actionRecoverSelected", Qt::Key_F5); })
      .on("savingPath", [destination](QDialog* d) {
        d->findChild<QLineEdit*>("pathField")->setText(destination);
        ClickButton(d, "okButton");
      });
}

}  // namespace

class Step4Test : public QObject {
  Q_OBJECT
 private slots:
  void renameReplaceAndLogCommands();
  void refusedDestinationsStayAsTheyWere();
  void savedLogLoadedInStep2();
};

void Step4Test::renameReplaceAndLogCommands() {
  GuiWorld world;
  world.chooser.files = {QString::fromStdString(GuiWorld::SourceFile("samples/sample.vmdk"))};
  const QString destination = QString::fromStdString(world.temp / "out");
  const QString logFolder = QString::fromStdString(world.temp / "logs");
  std::filesystem::create_directories(logFolder.toStdString());
  world.chooser.folders = {logFolder};
  QString treeText, shownFolder;
  Script script(&world.app->context(), 30000);
  OpenSample(script, "Partition - 1 ( FAT32 )")
      .message(QString())
      .on("fileDisplay", [&](QDialog* d) {
        QTreeWidgetItem* folder = Find(d, "folderTree", "Old Projects");
        QVERIFY(folder != nullptr);
        d->findChild<QTreeWidget*>("folderTree")->setCurrentItem(folder);
        RenameRow(d, "Project plan.txt", "Plan.txt");
        RenameRow(d, "Sketches", "Drawings");
        treeText = folder->child(0)->text(0);
        folder->setCheckState(0, Qt::Checked);
      });
  SaveTo(script, destination).message("Saving completed successfully.");
  SaveTo(script, destination)
      .click("replace1", "renameAllButton")
      .message("Saving completed successfully.")
      .on("fileDisplay", [](QDialog* d) { d->findChild<QAction*>("actionActivityPath")->trigger(); })
      .on("logPath",
          [&](QDialog* d) {
            ClickButton(d, "browseButton");
            shownFolder = d->findChild<QLineEdit*>("logFolder")->text();
            ClickButton(d, "okButton");
          })
      .on("fileDisplay", [](QDialog* d) { d->findChild<QAction*>("actionClearRecovery")->trigger(); })
      .answer(true, "Are you sure you want to delete Recovery History")
      .click("fileDisplay", "backButton")
      .answer(true)
      .click("partitionInfo", "nextButton")
      .message(QString());
  LeaveFromStep4(script);
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(treeText, QString("Drawings"));
  for (const char* name : {"Old Projects/Plan.txt", "Old Projects/Plan0.txt", "Old Projects/Drawings/Idea one.txt",
                           "Old Projects/Drawings/Idea one0.txt"})
    QVERIFY2(QFile::exists(destination + "/" + name), name);
  QCOMPARE(QFile(destination + "/Old Projects/Plan0.txt").size(), qint64(480));
  QCOMPARE(shownFolder, logFolder);
  QCOMPARE(QString::fromStdString(vantor::LogFolder(vantor::kActivityLog)), logFolder);
  QVERIFY(!QFile::exists(QString::fromStdString(world.temp / "data/vantor/Recovery Log.txt")));
  // The second Step 3 logged into the new folder.
  QFile moved(logFolder + "/Activity Log.txt");
  QVERIFY(moved.open(QIODevice::ReadOnly));
  QVERIFY(moved.readAll().contains("Step 3 :"));
}

void Step4Test::refusedDestinationsStayAsTheyWere() {
  GuiWorld world;
  const std::string sample = GuiWorld::SourceFile("samples/sample.vmdk");
  world.chooser.files = {QString::fromStdString(sample)};
  const std::string place = world.temp / "place";
  std::filesystem::create_directories(place + "/readonly");
  vantor::test::WriteFile(place + "/notes.txt", {'k'});
  std::filesystem::create_symlink(place + "/notes.txt", place + "/link");
  ::chmod((place + "/readonly").c_str(), 0555);
  const auto stamp = [](const std::string& path) {
    struct stat info;
    ::lstat(path.c_str(), &info);
    return std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtime);
  };
  const std::vector<std::string> watched = {sample, place + "/notes.txt", place + "/link", place + "/readonly"};
  std::vector<std::string> before;
  for (const auto& path : watched) before.push_back(stamp(path));
  const QString refused = "Not a valid Destination. Please specify destination.\n";
  const std::pair<std::string, std::string> cases[] = {
      {place + "/notes.txt", place + "/notes.txt is a file, not a folder"},
      {place + "/link/sub", place + "/link is a file, not a folder"},
      {sample, sample + " is the source being recovered"},
      {place + "/readonly", place + "/readonly is read-only"},
  };
  Script script(&world.app->context(), 30000);
  OpenSample(script, "Partition - 1 ( FAT32 )")
      .message(QString())
      .on("fileDisplay", [](QDialog* d) {
        Find(d, "folderTree", "Old Projects")->setCheckState(0, Qt::Checked);
        Command(d, "actionRecoverSelected", Qt::Key_F5);
      });
  for (const auto& refusal : cases)
    script
        .on("savingPath",
            [path = refusal.first](QDialog* d) {
              d->findChild<QLineEdit*>("pathField")->setText(QString::fromStdString(path));
              ClickButton(d, "okButton");
            })
        .message(refused + QString::fromStdString(refusal.second));
  LeaveFromStep4(script.click("savingPath", "cancelButton"));
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  for (size_t i = 0; i < watched.size(); ++i) QCOMPARE(stamp(watched[i]), before[i]);
  QCOMPARE(std::distance(std::filesystem::directory_iterator(place + "/readonly"), {}), 0);
  QVERIFY(world.recoveryLog().empty());
}

void Step4Test::savedLogLoadedInStep2() {
  GuiWorld world;
  const QString typed = QString::fromStdString(world.temp / "scan");
  const QString saved = QString::fromStdString(world.temp / "SCAN.ST4");
  world.chooser.files = {QString::fromStdString(GuiWorld::SourceFile("samples/sample.vmdk")), saved};
  world.chooser.saves = {QString(), typed};
  uint32_t scanned = 0, loaded = 0;
  bool savingOffered = false, oldProjects = false;
  Script script(&world.app->context(), 30000);
  OpenSample(script, "Partition - 1 ( FAT32 )")
      .message(QString())
      .on("fileDisplay",
          [&](QDialog* d) {
            QAction* save = d->findChild<QAction*>("actionSaveLog");
            savingOffered = save->isEnabled() && d->findChild<QPushButton*>("saveLogButton")->isEnabled();
            save->trigger();  // cancelled
            QVERIFY(!QFile::exists(saved));
            save->trigger();
            scanned = world.app->session().catalog.filesFound;
            ClickButton(d, "backButton");
          })
      .answer(true)
      .click("partitionInfo", "loadLogButton")
      .message(QString())
      .on("fileDisplay", [&](QDialog* d) {
        loaded = world.app->session().catalog.filesFound;
        oldProjects = Find(d, "folderTree", "Old Projects") != nullptr;
      });
  LeaveFromStep4(script);
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(savingOffered);
  QVERIFY(scanned > 0);
  QCOMPARE(loaded, scanned);
  QVERIFY(oldProjects);
  QVERIFY(world.activityLog().find("Load Log File Path : " + saved.toStdString()) != std::string::npos);
}

QTEST_MAIN(Step4Test)
#include "Step4Test.moc"
