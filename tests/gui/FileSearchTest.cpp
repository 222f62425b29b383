// Step 4's file search, saving filter and preview on the sample's FAT32 partition:
// a search with hits whose tick and double click reach Step 4, Stop with its
// question answered No and Yes, the filter dialog (a refused extension, Cancel
// after two additions, Apply) changing what the save writes, the preview of a
// text file, and the list sorted by a heading.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "GuiFixture.h"

namespace {

QPushButton* Button(QDialog* dialog, const char* name) { return dialog->findChild<QPushButton*>(name); }

bool SearchIdle(QDialog* search) {
  return Button(search, "startButton")->text() == "&Start Search" && Button(search, "startButton")->isEnabled();
}

void Search(QDialog* search, const QString& text) {
  search->findChild<QLineEdit*>("searchText")->setText(text);
  ClickButton(search, "startButton");
  QVERIFY(QTest::qWaitFor([&] { return SearchIdle(search); }, 10000));
}

}  // namespace

class FileSearchTest : public QObject {
  Q_OBJECT
 private slots:
  void searchTicksJumpsAndStops();
  void filterDialogChangesWhatIsSaved();
  void previewAndSorting();
};

void FileSearchTest::searchTicksJumpsAndStops() {
  GuiWorld world;
  world.chooser.files = {QString::fromStdString(GuiWorld::SourceFile("samples/sample.vmdk"))};
  int hits = -1, keptAfterStop = -1;
  QString firstRow, shownFolder;
  bool sketchesBold = false, typeLeavesRadios = false, ticked = false, allTicked = false;
  QStringList opened;
  // Without a program to open files with (no xdg-open, no shell on the path).
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(world.temp.path()));
  Script script(&world.app->context(), 30000);
  OpenSample(script, "Partition - 1 ( FAT32 )")
      .message(QString())
      .on("fileDisplay", [](QDialog* d) { d->findChild<QAction*>("actionSearch")->trigger(); })
      .on("fileSearch",
          [&](QDialog* d) {
            auto* type = d->findChild<QCheckBox*>("typeCheck");
            d->findChild<QRadioButton*>("onlyDeleted")->setChecked(true);
            type->setChecked(false);
            typeLeavesRadios = d->findChild<QRadioButton*>("onlyDeleted")->isChecked() &&
                               !d->findChild<QRadioButton*>("onlyDeleted")->isEnabled();
            type->setChecked(true);  // back to "Include Deleted File(s)"
            Search(d, "*.txt");
            auto* list = d->findChild<QTreeWidget*>("resultList");
            hits = d->findChild<QLabel*>("foundCount")->text().toInt();
            firstRow = list->topLevelItem(0)->text(0);  // the last hit stands first
            FindItem(d, "resultList", "Idea one.txt")->setCheckState(0, Qt::Checked);
            list->itemDoubleClicked(FindItem(d, "resultList", "Draft notes.txt"), 0);  // no program to open it
          })
      .message(QString(), &opened)
      .on("fileSearch",
          [&](QDialog* d) {
            auto* all = d->findChild<QCheckBox*>("selectAllCheck");
            all->click();
            QVERIFY(QTest::qWaitFor([&] { return all->isEnabled(); }, 10000));
            int selected = 0;
            for (const auto& file : world.app->session().catalog.files()) selected += file.selected == 'y';
            allTicked = selected == hits;
            all->click();  // and off again, but for the one ticked before
            QVERIFY(QTest::qWaitFor([&] { return all->isEnabled(); }, 10000));
            FindItem(d, "resultList", "Idea one.txt")->setCheckState(0, Qt::Checked);
            auto* list = d->findChild<QTreeWidget*>("resultList");
            Search(d, "sketches");
            QTreeWidgetItem* folder = list->topLevelItem(0);
            list->itemDoubleClicked(folder, 0);
            ClickButton(d, "startButton");
            ClickButton(d, "startButton");  // Stop while it runs: asked, answered No
          })
      .answer(false, "Are you sure you want to stop searching ?")
      .on("fileSearch",
          [&](QDialog* d) {
            QVERIFY(QTest::qWaitFor([&] { return SearchIdle(d); }, 10000));
            ClickButton(d, "startButton");
            ClickButton(d, "startButton");
          })
      .answer(true, "Are you sure you want to stop searching ?")
      .on("fileSearch",
          [&](QDialog* d) {
            QVERIFY(QTest::qWaitFor([&] { return SearchIdle(d); }, 10000));
            keptAfterStop = d->findChild<QTreeWidget*>("resultList")->topLevelItemCount();
            QVERIFY(d->findChild<QCheckBox*>("selectAllCheck")->isEnabled());
            ClickButton(d, "cancelButton");
          })
      .on("fileDisplay", [&](QDialog* d) {
        auto* tree = d->findChild<QTreeWidget*>("folderTree");
        shownFolder = tree->currentItem()->text(0);
        sketchesBold = FindItem(d, "folderTree", "Sketches")->font(0).bold();
        for (const auto& file : world.app->session().catalog.files())
          if (file.name.utf8() == "Idea one.txt") ticked = file.selected == 'y';
      });
  LeaveFromStep4(script);
  world.app->run();
  qputenv("PATH", path);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(typeLeavesRadios);
  QVERIFY(allTicked);
  // Open wrote the file into a folder of its own before it found no program.
  QCOMPARE(opened.size(), 1);
  const QString copy = opened[0].section("It was saved as ", 1).chopped(1);
  QVERIFY2(opened[0].startsWith("No program is set up to open Draft notes.txt.") && QFile(copy).size() == 300,
           qPrintable(opened[0]));
  QCOMPARE(QFileInfo(QFileInfo(copy).path()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
  QCOMPARE(hits, 10);
  QCOMPARE(firstRow, QString("Quarterly summary.txt"));
  QCOMPARE(shownFolder, QString("Sketches"));
  QVERIFY(sketchesBold);
  QVERIFY(keptAfterStop >= 0 && keptAfterStop <= 1);
  QVERIFY(ticked);
}

void FileSearchTest::filterDialogChangesWhatIsSaved() {
  GuiWorld world;
  world.chooser.files = {QString::fromStdString(GuiWorld::SourceFile("samples/sample.vmdk"))};
  const QString destination = QString::fromStdString(world.temp / "out");
  const auto add = [](QDialog* d, const char* extension) {
    d->findChild<QLineEdit*>("extensionText")->setText(extension);
    ClickButton(d, "addButton");
  };
  Script script(&world.app->context(), 30000);
  OpenSample(script, "Partition - 1 ( FAT32 )")
      .message(QString())
      .on("fileDisplay", [](QDialog* d) { d->findChild<QAction*>("actionSaving")->trigger(); })
      .on("settings",
          [&](QDialog* d) {
            add(d, "txt");
            add(d, "bmp");
            ClickButton(d, "cancelButton");
          })
      .on("fileDisplay", [](QDialog* d) { d->findChild<QAction*>("actionSaving")->trigger(); })
      .on("settings", [&](QDialog* d) { add(d, "jpegs"); })
      .message("Extension should not exceed more than 4 characters.")
      .on("settings",
          [&](QDialog* d) {
            add(d, "csv");
            add(d, "bin");
            d->findChild<QRadioButton*>("saveAll")->setChecked(true);
            d->findChild<QRadioButton*>("saveAll")->click();
            ClickButton(d, "applyButton");
          })
      .on("fileDisplay", [](QDialog* d) { d->findChild<QAction*>("actionRecoverSelected")->trigger(); })
      .on("savingPath", [destination](QDialog* d) {
        d->findChild<QLineEdit*>("pathField")->setText(destination);
        ClickButton(d, "okButton");
      })
      .message("Saving completed successfully.");
  LeaveFromStep4(script);
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QStringList saved;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(destination.toStdString()))
    if (entry.is_regular_file())
      saved << QString::fromStdString(std::filesystem::relative(entry.path(), destination.toStdString()).string());
  saved.sort();
  QCOMPARE(saved, QStringList({"Media files/BYTES.BIN", "Old Projects/_UDGET.CSV"}));
}

void FileSearchTest::previewAndSorting() {
  GuiWorld world;
  world.chooser.files = {QString::fromStdString(GuiWorld::SourceFile("samples/sample.vmdk"))};
  QString firstLine, unsorted, bySize, hexStart;
  Script script(&world.app->context(), 30000);
  OpenSample(script, "Partition - 1 ( FAT32 )")
      .message(QString())
      .on("fileDisplay", [&](QDialog* d) {
        Select(d, "folderTree", "Documents");
        auto* list = d->findChild<QTreeWidget*>("fileList");
        list->setCurrentItem(FindItem(d, "fileList", "Draft notes.txt"));
        firstLine = d->findChild<QPlainTextEdit*>("previewText")->toPlainText().section('\n', 0, 0);
        unsorted = list->topLevelItem(0)->text(0);
        list->sortByColumn(2, Qt::DescendingOrder);
        bySize = list->topLevelItem(0)->text(0);
        Select(d, "folderTree", "Media files");
        list->setCurrentItem(FindItem(d, "fileList", "BYTES.BIN"));
        hexStart = d->findChild<QPlainTextEdit*>("previewText")->toPlainText().section('\n', 0, 0);
      });
  LeaveFromStep4(script);
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(firstLine, QString("Draft notes, to be thrown away"));
  QCOMPARE(unsorted, QString("Reports"));  // folders first until a heading is clicked
  QCOMPARE(bySize, QString("_LDLOG.TXT"));
  QVERIFY2(hexStart.startsWith("00000000  00 01 02 03"), qPrintable(hexStart));
}

QTEST_MAIN(FileSearchTest)
#include "FileSearchTest.moc"
