// The typical run with the mouse on the bundled sample disk: open the ".vmdk",
// "Vantor", the disk, a partition, Step 3, Step 4, tick the deleted folder,
// "Recover Selected", a destination; the folder's files must arrive byte for byte
// as the sample's manifest lists them.
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "GuiFixture.h"

namespace {

struct ManifestFile {
  QString path;  // as a scan lists it, under the volume root
  QString sha256;
};

// The files of `partition` below `folder` in samples/manifest.tsv.
std::vector<ManifestFile> ManifestFiles(const QString& partition, const QString& folder) {
  QFile file(QString::fromStdString(GuiWorld::SourceFile("samples/manifest.tsv")));
  std::vector<ManifestFile> files;
  if (!file.open(QIODevice::ReadOnly)) return files;
  for (const QByteArray& line : file.readAll().split('\n')) {
    QStringList f = QString::fromUtf8(line).split('\t');
    if (line.startsWith('#') || f.size() < 10 || f[0] != partition || f[2] != "F") continue;
    if (f[9].startsWith(folder + "/")) files.push_back({f[9], f[5]});
  }
  return files;
}

QString Sha256(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "missing";
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

}  // namespace

class TypicalRunTest : public QObject {
  Q_OBJECT
 private slots:
  void typicalRun_data();
  void typicalRun();
};

void TypicalRunTest::typicalRun_data() {
  QTest::addColumn<QString>("partition");
  QTest::addColumn<QString>("number");
  QTest::addColumn<QString>("folder");
  QTest::newRow("FAT32") << "Partition - 1 ( FAT32 )" << "1" << "Old Projects";
  QTest::newRow("NTFS") << "Partition - 2 ( NTFS )" << "2" << "Archive 2019";
}

void TypicalRunTest::typicalRun() {
  QFETCH(QString, partition);
  QFETCH(QString, number);
  QFETCH(QString, folder);
  GuiWorld world;
  world.chooser.files = {QString::fromStdString(GuiWorld::SourceFile("samples/sample.vmdk"))};
  const QString destination = QString::fromStdString(world.temp / "recovered");
  QStringList rowTypes;
  QColor deletedColour;
  Script script(&world.app->context(), 60000);
  OpenSample(script, partition)
      .message("If you are unable to find the deleted/lost file's && folder's in the directory tree.\n\n"
               "Please choose 'Exhaustive Recovery' under Options menu.")
      .on("fileDisplay",
          [&](QDialog* d) {
            auto* list = d->findChild<QTreeWidget*>("fileList");
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
              QTreeWidgetItem* row = list->topLevelItem(i);
              rowTypes << row->text(0) + ":" + row->text(1);
              if (row->text(0) == folder) deletedColour = row->foreground(0).color();
            }
            auto found = d->findChild<QTreeWidget*>("folderTree")->findItems(folder, Qt::MatchExactly | Qt::MatchRecursive);
            QVERIFY(!found.isEmpty());
            found.front()->setCheckState(0, Qt::Checked);
            QVERIFY(found.front()->font(0).bold());
            ClickButton(d, "saveButton");
          })
      .on("savingPath",
          [&](QDialog* d) {
            d->findChild<QLineEdit*>("pathField")->setText(destination);
            ClickButton(d, "okButton");
          })
      .message("Saving completed successfully.")
      .click("fileDisplay", "backButton")
      .answer(true, "Are you sure you want to go back to Step 2")
      .click("partitionInfo", "backButton")
      .click("desktopRecovery", "backButton")
      .click("selectionRecovery", "cancelButton");
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(rowTypes.contains(folder + ":Deleted Folder"));
  QCOMPARE(deletedColour, QColor(255, 0, 0));

  auto files = ManifestFiles(number, folder);
  QVERIFY(files.size() >= 3);
  for (const ManifestFile& f : files) QCOMPARE(Sha256(destination + "/" + f.path), f.sha256);
  QVERIFY(world.app->session().catalog.folders().empty());
  std::string log = world.activityLog();
  QVERIFY(log.find("\r\nStep 3 :\r\n-------\r\nAnalysing Files/Directories Information : \r\nTime Elapsed : ") !=
          std::string::npos);
  QVERIFY(world.recoveryLog().find("\r\nSaving completed successfully.") != std::string::npos);
}

QTEST_MAIN(TypicalRunTest)
#include "TypicalRunTest.moc"
