// Renders the wizard's dialogs of a typical run to PNG files: the start dialog,
// Steps 1 and 2, Step 3 in the middle of a long scan, Step 4 and the saving
// dialog, the file search, the saving filter and the preview; with --long-scan also a lost-partition search: Step 2 (a), the search
// running, Step 2 (c), raw recovery's types and its Step 3, and the image's
// target and the copy running. Usage: gui_screenshots OUTDIR SAMPLE.vmdk [--long-scan];
// the long runs read the big FAT and the lost fixtures of $VANTOR_FIXTURES.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "GuiFixture.h"
#include "gui/ModalRun.h"
#include "gui/ImageCreation.h"
#include "gui/PartitionRange.h"
#include "gui/RawDefaultExtension.h"
#include "gui/SearchProgress.h"
#include "session/Session.h"
#include "support/TestEnv.h"

namespace {

QString outDir;

void Save(QWidget* widget, const QString& name) {
  QString path = outDir + "/" + name + ".png";
  if (!widget->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QWidget* Visible(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) return w;
  return nullptr;
}

// Step 3 running for `waitMs`, saved as `name`, then left with Back.
bool ShootStep3(GuiWorld& world, int waitMs, const QString& name) {
  Script back(&world.app->context());
  back.answer(true);
  SearchProgress step3(world.app->context(), nullptr);
  step3.show();
  QTest::qWait(waitMs);
  Save(&step3, name);
  QTest::mouseClick(step3.findChild<QPushButton*>("backButton"), Qt::LeftButton);
  return back.finished();
}

// Start dialog, Step 1 with the sample selected, Step 2 with its FAT32 partition.
Script& ToStep3(Script& script) {
  return script
      .on("selectionRecovery",
          [](QDialog* d) {
            ClickButton(d, "openButton");
            Save(d, "1-start");
            ClickButton(d, "vantorButton");
          })
      .on("desktopRecovery",
          [](QDialog* d) {
            Select(d, "deviceTree", "sample.vmdk");
            Save(d, "2-step1");
            ClickButton(d, "nextButton");
          })
      .on("partitionInfo", [](QDialog* d) {
        Select(d, "partitionTree", "Partition - 1 ( FAT32 )");
        Save(d, "3-step2");
        ClickButton(d, "nextButton");
      });
}

bool LongScan() {
  GuiWorld world;
  ChooseBigVolume(world.app->session(), 300);
  Script script(&world.app->context());
  script.answer(true);
  SearchProgress step3(world.app->context(), nullptr);
  step3.show();
  QTest::qWait(2300);
  Save(&step3, "4-step3");
  QTest::mouseClick(step3.findChild<QPushButton*>("backButton"), Qt::LeftButton);
  return script.finished();
}

// Step 2 (a) on the disk whose table is gone, and Step 2 (c) with what the
// search found; then the search itself running on the big volume.
bool LostSearch() {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  session.reader.mapDevice("\\\\.\\PhysicalDrive0", vantor::test::FixturesDir() + "/lost/lostmbr.img");
  vantor::RecoveryState& state = session.state;
  state.selectedItemText = u"Disk0";
  state.fileSystemName = u"UNKNOWN";
  state.endSector = session.reader.sourceSectors();
  Script script(&world.app->context(), 60000);
  script
      .on("partitionRange",
          [](QDialog* d) {
            d->findChild<QComboBox*>("fileSystemList")->setCurrentText("FAT16");
            Save(d, "9-step2a");
            ClickButton(d, "nextButton");
          })
      .on("exhaustivePartitionInfo",
          [](QDialog* d) {
            Select(d, "foundTree", "File System 2 - FAT32");
            Save(d, "11-step2c");
            ClickButton(d, "backButton");
          })
      .click("partitionRange", "backButton");
  PartitionRange step2a(world.app->context(), nullptr);
  RunModal(step2a);
  if (!script.finished()) return false;

  GuiWorld big;
  ChooseBigVolume(big.app->session(), 20000);
  vantor::RecoveryState& bigState = big.app->session().state;
  bigState.startSector = 0;
  bigState.endSector = big.app->session().reader.sourceSectors();
  bigState.partitionSearch = 1;
  return ShootStep3(big, 2300, "10-search");
}

// The NTFS search on the disk of two NTFS file systems whose table is gone:
// Step 3 sweeping (each read slow), then Step 2 (c) with both found.
bool NtfsSearch() {
  const std::string disk = vantor::test::FixturesDir() + "/ntfs-lost/lost2.img";
  if (!QFile::exists(QString::fromStdString(disk))) return true;  // built only with root and FUSE
  GuiWorld world;
  vantor::Session& session = world.app->session();
  MapSlowly(session, disk, 20000);
  vantor::RecoveryState& state = session.state;
  state.selectedItemText = u"Disk0";
  state.fileSystemName = u"NTFS";
  state.endSector = session.reader.sourceSectors();
  state.partitionSearch = 1;
  if (!ShootStep3(world, 1500, "12-ntfs-search")) return false;

  GuiWorld found;
  vantor::Session& foundSession = found.app->session();
  foundSession.reader.mapDevice("\\\\.\\PhysicalDrive0", disk);
  foundSession.state.selectedItemText = u"Disk0";
  foundSession.state.fileSystemName = u"UNKNOWN";
  foundSession.state.endSector = foundSession.reader.sourceSectors();
  Script script(&found.app->context(), 60000);
  script
      .on("partitionRange",
          [](QDialog* d) {
            d->findChild<QComboBox*>("fileSystemList")->setCurrentText("NTFS");
            ClickButton(d, "nextButton");
          })
      .on("exhaustivePartitionInfo",
          [](QDialog* d) {
            Select(d, "foundTree", "File System 2 - NTFS");
            Save(d, "13-ntfs-step2c");
            ClickButton(d, "backButton");
          })
      .click("partitionRange", "backButton");
  PartitionRange step2a(found.app->context(), nullptr);
  RunModal(step2a);
  return script.finished();
}

// Disk imaging: the image's target, then Step 3 copying with each read slow.
bool Imaging(const std::string& disk) {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  MapSlowly(session, disk, 100000);
  session.state.mode = vantor::RecoveryMode::kImaging;
  session.state.imaging = 1;
  session.state.endSector = session.reader.sourceSectors();
  const std::string folder = world.temp / "copy";
  QDir().mkpath(QString::fromStdString(folder));
  ImageCreation step2b(world.app->context(), nullptr);
  step2b.show();
  step2b.findChild<QLineEdit*>("pathField")->setText(QString::fromStdString(folder + "/Image.img"));
  Save(&step2b, "16-image-target");
  step2b.hide();
  session.imagingRun.end = session.state.endSector;
  session.imagingRun.imagePath = folder + "/Image.img";
  return ShootStep3(world, 1200, "17-imaging");
}

// Raw recovery: Step 2 (b) with every type ticked, then Step 3 carving the raw
// fixture with each read slow.
bool RawSearch() {
  const std::string disk = vantor::test::FixturesDir() + "/raw/raw.img";
  if (!QFile::exists(QString::fromStdString(disk))) return true;  // built only with ImageMagick, gs and zip
  GuiWorld world;
  vantor::Session& session = world.app->session();
  session.state.mode = vantor::RecoveryMode::kRawChosen;
  RawDefaultExtension step2b(world.app->context(), nullptr);
  step2b.show();
  QTest::mouseClick(step2b.findChild<QPushButton*>("selectAllButton"), Qt::LeftButton);
  Save(&step2b, "14-raw-types");
  step2b.hide();

  MapSlowly(session, disk, 100000);
  session.state.mode = vantor::RecoveryMode::kRawSearching;
  session.state.endSector = session.reader.sourceSectors();
  std::array<bool, vantor::kRawTypeCount> all;
  all.fill(true);
  session.rawRules = vantor::BuildRules(all);
  session.savingRun.savingPath = world.temp / "carved";
  QDir().mkpath(QString::fromStdString(session.savingRun.savingPath));
  return ShootStep3(world, 1500, "15-raw-search") && Imaging(BigImage());
}

bool TypicalRun(const QString& sample) {
  GuiWorld world;
  world.chooser.files = {sample};
  QString destination = QString::fromStdString(world.temp / "recovered");
  Script script(&world.app->context(), 60000);
  ToStep3(script)
      .message(QString())
      .on("fileDisplay",
          [](QDialog* d) {
            auto* tree = d->findChild<QTreeWidget*>("folderTree");
            auto found = tree->findItems("Old Projects", Qt::MatchExactly | Qt::MatchRecursive);
            if (!found.isEmpty()) {
              found.front()->setCheckState(0, Qt::Checked);
              tree->expandAll();
              tree->setCurrentItem(found.front());
            }
            Save(d, "5-step4");
            ClickButton(d, "saveButton");
          })
      .on("savingPath",
          [destination](QDialog* d) {
            d->findChild<QLineEdit*>("pathField")->setText(destination);
            Save(d, "6-saving-path");
            ClickButton(d, "okButton");
          })
      .on("messagesInfo",
          [](QDialog* d) {
            if (QWidget* saving = Visible("savingDlg")) Save(saving, "7-saving");
            Save(d, "8-saving-done");
            ClickButton(d, "okButton");
          })
      .click("fileDisplay", "backButton")
      .answer(true)
      .click("partitionInfo", "backButton")
      .click("desktopRecovery", "backButton")
      .click("selectionRecovery", "cancelButton");
  world.app->run();
  return script.finished();
}

// Step 4's file search with hits, the saving filter with two extensions, and
// Step 4 previewing a text file.
bool SearchAndFilter(const QString& sample) {
  GuiWorld world;
  world.chooser.files = {sample};
  Script script(&world.app->context(), 60000);
  ToStep3(script)
      .message(QString())
      .on("fileDisplay", [](QDialog* d) { ClickButton(d, "searchButton"); })
      .on("fileSearch",
          [](QDialog* d) {
            d->findChild<QLineEdit*>("searchText")->setText("*.txt");
            ClickButton(d, "startButton");
            QTest::qWait(500);
            Save(d, "18-file-search");
            ClickButton(d, "cancelButton");
          })
      .on("fileDisplay", [](QDialog* d) { ClickButton(d, "settingsButton"); })
      .on("settings",
          [](QDialog* d) {
            for (const char* extension : {"doc", "txt"}) {
              d->findChild<QLineEdit*>("extensionText")->setText(extension);
              ClickButton(d, "addButton");
            }
            Save(d, "19-saving-filter");
            ClickButton(d, "cancelButton");
          })
      .on("fileDisplay", [](QDialog* d) {
        Select(d, "folderTree", "Documents");
        auto* list = d->findChild<QTreeWidget*>("fileList");
        list->setCurrentItem(FindItem(d, "fileList", "Letter to Anna about the summer holiday.txt"));
        Save(d, "20-preview");
      });
  LeaveFromStep4(script);
  world.app->run();
  return script.finished();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: gui_screenshots OUTDIR SAMPLE.vmdk [--long-scan]\n");
    return 2;
  }
  outDir = argv[1];
  QDir().mkpath(outDir);
  bool ok = TypicalRun(argv[2]) && SearchAndFilter(argv[2]);
  if (argc > 3) ok = LongScan() && LostSearch() && NtfsSearch() && RawSearch() && ok;
  return ok ? 0 : 1;
}
