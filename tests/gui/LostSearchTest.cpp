// The lost-partition search in the wizard: a disk whose table is gone is
// searched from Step 2 through Step 2 (a), Step 3 and Step 2 (c) into Step 4 for
// each file system found, with the steps logged; Pause, Stop and Back act during
// the sweep and during the exhaustive scan's cluster search and folder reads on
// a large volume; and Step 4 switches to the exhaustive scan on request.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "GuiFixture.h"
#include "fat/FatExhaustiveScan.h"
#include "fat/FatScan.h"
#include "gui/ModalRun.h"
#include "gui/PartitionInfo.h"
#include "gui/PartitionRange.h"
#include "gui/SearchProgress.h"
#include "gui/StepMenu.h"
#include "gui/WizardStep.h"
#include "lost/LostPartitionSearch.h"
#include "session/Session.h"
#include "support/TestEnv.h"

namespace {

std::string LostDisk() { return vantor::test::FixturesDir() + "/lost/lostmbr.img"; }

// Step 4 as it opens on a found file system: its folders and files, then Back.
Script& ExpectStep4(Script& script, vantor::Session& session, uint32_t* files, QStringList* folders) {
  return script
      .on("fileDisplay",
          [&session, files, folders](QDialog* d) {
            *files = session.catalog.filesFound;
            QTRY_VERIFY_WITH_TIMEOUT(FindItem(d, "folderTree", "Root") != nullptr, 10000);
            for (const char* name : {"Documents", "Many Files", "Old Letters"})
              if (FindItem(d, "folderTree", name) != nullptr) *folders << name;
            ClickButton(d, "backButton");
          })
      .answer(true, "Are you sure you want to go back to Step 2");
}

}  // namespace

class LostSearchTest : public QObject {
  Q_OBJECT
 private slots:
  void zeroedTableSearchedAndEachFileSystemScanned();
  void pauseStopAndBackDuringTheSweep();
  void stopDuringTheClusterSearchKeepsWhatWasFound();
  void pauseHoldsTheScanAndBackEndsIt();
  void step4SwitchesToTheExhaustiveScan();
  void ntfsFileSystemsFoundAndScanned();
};

void LostSearchTest::zeroedTableSearchedAndEachFileSystemScanned() {
  if (!std::filesystem::exists(LostDisk())) QSKIP("the lost fixtures are not built");
  GuiWorld world;
  vantor::Session& session = world.app->session();
  session.reader.mapDevice("\\\\.\\PhysicalDrive0", LostDisk());
  session.state.selectedItemText = u"Disk0";
  session.state.deviceIndex = 0;
  uint32_t firstFiles = 0, secondFiles = 0;
  QStringList firstFolders, secondFolders;
  Script script(&world.app->context(), 60000);
  script
      .on("partitionRange",
          [](QDialog* d) {
            QCOMPARE(d->findChild<QLineEdit*>("startRange")->text(), QString("0"));
            QCOMPARE(d->findChild<QLineEdit*>("endRange")->text(), QString("409600"));
            QCOMPARE(d->findChild<QComboBox*>("fileSystemList")->currentText(), QString("UNKNOWN"));
            ClickButton(d, "nextButton");
          })
      .message("Select partition type.")
      .on("partitionRange",
          [](QDialog* d) {
            d->findChild<QComboBox*>("fileSystemList")->setCurrentText("FAT16");
            ClickButton(d, "nextButton");
          })
      .on("exhaustivePartitionInfo",
          [](QDialog* d) {
            QVERIFY(FindItem(d, "foundTree", "File System 1 - FAT16") != nullptr);
            Select(d, "foundTree", "File System 2 - FAT32");
            QCOMPARE(LabelText(d, "foundStart"), QString("133120"));
            QCOMPARE(LabelText(d, "foundEnd"), QString("378880"));
            ClickButton(d, "nextButton");
          });
  ExpectStep4(script, session, &secondFiles, &secondFolders)
      .on("exhaustivePartitionInfo",
          [](QDialog* d) {
            Select(d, "foundTree", "File System 1 - FAT16");
            ClickButton(d, "nextButton");
          });
  ExpectStep4(script, session, &firstFiles, &firstFolders)
      .click("exhaustivePartitionInfo", "backButton")
      .click("partitionRange", "backButton");
  PartitionInfo step2(world.app->context(), nullptr);
  QVERIFY(FindItem(&step2, "partitionTree", "Disk0") != nullptr);
  step2.findChild<QCheckBox*>("searchExhaustive")->setChecked(true);
  step2.show();
  QTest::mouseClick(step2.findChild<QPushButton*>("nextButton"), Qt::LeftButton);
  step2.hide();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(secondFiles, 38u);
  QCOMPARE(firstFiles, 38u);
  QCOMPARE(secondFolders, (QStringList{"Documents", "Many Files", "Old Letters"}));
  QCOMPARE(firstFolders, secondFolders);
  QVERIFY(session.lostSearch.found.empty());
  const std::string log = world.activityLog();
  for (const char* part :
       {"Step 2 (a) :\r\n-------\r\nPartition Range Information : \r\nStarting Range : 0\r\nEnding Range : 409600\r\n"
        "File System : FAT16",
        "Step 2 (b) :\r\n-------\r\nAnalysing Files/Directories Information : ",
        "Step 2 (c) :\r\n-------\r\nTotal File Systems Enumerated : \r\nFile System 1 - FAT16\r\nFile System 2 - FAT32",
        "Selected File System : File System 2 - FAT32", "Selected File System : File System 1 - FAT16"})
    QVERIFY2(log.find(part) != std::string::npos, part);
}

// The sweep over the 160 MB volume read slowly: Pause holds it, Stop ends the
// search (Step 3 closes for Step 2 (c)), Back discards it.
void LostSearchTest::pauseStopAndBackDuringTheSweep() {
  if (!std::filesystem::exists(BigImage())) QSKIP("the big FAT fixture is not built (tests/gui/make-big-fat.sh)");
  for (bool stop : {true, false}) {
    GuiWorld world;
    vantor::Session& session = world.app->session();
    ChooseBigVolume(session, 20000);
    vantor::RecoveryState& state = session.state;
    state.startSector = 0;
    state.endSector = session.reader.sourceSectors();
    state.partitionSearch = 1;
    Script script(&world.app->context(), 60000);
    script.answer(true, stop ? "Are you sure you want to stop this process" : "Are you sure you want to go back to Step 2");
    SearchProgress step3(world.app->context(), nullptr);
    step3.show();
    QTRY_COMPARE_WITH_TIMEOUT(LabelText(&step3, "stepLine"), QString(vantor::kLostSweepText), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(step3.findChild<QProgressBar*>("progressBar")->value() > 0, 10000);
    QTest::mouseClick(step3.findChild<QPushButton*>("pauseButton"), Qt::LeftButton);
    // Pause returns with the worker at its gate: what it sent before is queued.
    DeliverQueuedEvents();
    const int held = step3.findChild<QProgressBar*>("progressBar")->value();
    QTest::qWait(300);  // time for a worker not held to move the bar
    QCOMPARE(step3.findChild<QProgressBar*>("progressBar")->value(), held);
    QTest::mouseClick(step3.findChild<QPushButton*>("pauseButton"), Qt::LeftButton);
    QTest::mouseClick(step3.findChild<QPushButton*>(stop ? "stopButton" : "backButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!step3.isVisible(), 20000);
    QVERIFY2(script.finished(), qPrintable(script.failure()));
    QCOMPARE(step3.result(), stop ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QVERIFY(step3.findChild<QProgressBar*>("progressBar")->value() < 100);
  }
}

// Stop during the exhaustive scan's cluster search: the scan goes on with what
// it found and Step 4 opens with it.
void LostSearchTest::stopDuringTheClusterSearchKeepsWhatWasFound() {
  if (!std::filesystem::exists(BigImage())) QSKIP("the big FAT fixture is not built (tests/gui/make-big-fat.sh)");
  GuiWorld world;
  vantor::Session& session = world.app->session();
  // Only the cluster search's runs of 256 KiB are slow: the folders found are then
  // read at the disk's speed.
  ChooseBigVolume(session, 20000, 1 << 18);
  session.state.exhaustiveSwitch = 1;
  uint32_t folders = 0;
  Script script(&world.app->context(), 60000);
  script.answer(true, "Are you sure you want to stop this process")
      .on("fileDisplay",
          [&](QDialog* d) {
            folders = session.catalog.directoriesFound;
            ClickButton(d, "backButton");
          })
      .answer(true);
  SearchProgress step3(world.app->context(), nullptr);
  step3.show();
  QTRY_VERIFY_WITH_TIMEOUT(LabelText(&step3, "directoriesFound").toInt() > 1, 20000);
  QCOMPARE(LabelText(&step3, "stepLine"), QString(vantor::kClusterSearchText));
  QTest::mouseClick(step3.findChild<QPushButton*>("stopButton"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!step3.isVisible(), 30000);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(folders > 1);
  QVERIFY(folders < 51);
}

// Pause holds the exhaustive scan in both its long steps, the cluster search and
// the subfolders' reads (about 5 s a folder here): with the worker inside a read
// of the disk, Pause serves the window until the read ends, then the bar and the
// counters stand still. Back after Resume ends the scan itself, not only its
// step, without one more read of the disk once answered, and frees the catalog.
void LostSearchTest::pauseHoldsTheScanAndBackEndsIt() {
  if (!std::filesystem::exists(BigImage())) QSKIP("the big FAT fixture is not built (tests/gui/make-big-fat.sh)");
  for (const char* step : {vantor::kClusterSearchText, vantor::kSubfolderEntriesText}) {
    GuiWorld world;
    vantor::Session& session = world.app->session();
    auto gate = std::make_shared<ReadGate>();
    ChooseBigVolume(session, 20000, 0, gate);
    session.state.exhaustiveSwitch = 1;
    // Back holds the worker and asks; from the answer on, nothing more is read.
    uint64_t readsAnswered = 0;
    Script script(&world.app->context(), 60000);
    script.on("questionMessage", [&](QDialog* d) {
      QVERIFY(LabelText(d, "questionText").startsWith("Are you sure you want to go back to Step 2"));
      readsAnswered = gate->reads();
      ClickButton(d, "yesButton");
    });
    SearchProgress step3(world.app->context(), nullptr);
    step3.show();
    QTRY_COMPARE_WITH_TIMEOUT(LabelText(&step3, "stepLine"), QString(step), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(LabelText(&step3, "directoriesFound").toInt() > 1, 10000);
    // Pause with the worker held inside a read: the window must be served while
    // Pause waits, or the read would never be let go. `served` tells that the
    // timer ran inside the click, after Pause had begun.
    gate->close();
    QTRY_COMPARE_WITH_TIMEOUT(gate->waiting(), 1, 10000);
    QPushButton* pause = step3.findChild<QPushButton*>("pauseButton");
    bool clicking = true, served = false;
    std::function<void()> release = [&] {
      if (pause->text() != "Resume") {
        QTimer::singleShot(0, &step3, release);  // Pause has not begun yet
        return;
      }
      served = clicking;
      gate->open();
    };
    QTimer::singleShot(0, &step3, release);
    QTest::mouseClick(pause, Qt::LeftButton);
    clicking = false;
    QVERIFY2(served, step);
    DeliverQueuedEvents();  // what the worker sent before it stopped at its gate
    const auto shown = [&] {
      return QStringList{LabelText(&step3, "directoriesFound"), LabelText(&step3, "filesFound"),
                         QString::number(step3.findChild<QProgressBar*>("progressBar")->value())};
    };
    const QStringList held = shown();
    const uint64_t readsHeld = gate->reads();
    QTest::qWait(400);  // time for a worker not held to read and report
    QCOMPARE(shown(), held);
    QCOMPARE(gate->reads(), readsHeld);
    QCOMPARE(LabelText(&step3, "stepLine"), QString(step));
    QTest::mouseClick(pause, Qt::LeftButton);
    QTest::mouseClick(step3.findChild<QPushButton*>("backButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!step3.isVisible(), 30000);
    QVERIFY2(script.finished(), qPrintable(script.failure()));
    QCOMPARE(gate->reads(), readsAnswered);
    QCOMPARE(step3.result(), int(QDialog::Rejected));
    QCOMPARE(session.catalog.directoriesFound, 0u);
  }
}

// "Exhaustive Recovery" in Step 4's menu, answered Yes, closes Step 4 and
// Step 3 and runs a new Step 3 with the exhaustive scan, whose Step 4 offers
// the command no more.
void LostSearchTest::step4SwitchesToTheExhaustiveScan() {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  session.reader.mapDevice("\\\\.\\PhysicalDrive0", vantor::test::FixturesDir() + "/fat/floppy.img");
  session.state.selectedItemText = u"Disk0";
  bool offered = false, offeredAgain = true;
  Script script(&world.app->context(), 60000);
  script.message(QString())
      .on("fileDisplay",
          [&](QDialog* d) {
            QAction* command = static_cast<WizardStep*>(d)->menu()->action(kCmdExhaustive);
            QTRY_VERIFY_WITH_TIMEOUT(command->isEnabled(), 10000);
            offered = true;
            command->trigger();
          })
      .answer(true, QString(vantor::kSwitchToExhaustiveText) + "\nAre you sure you want to start this process")
      .on("fileDisplay",
          [&](QDialog* d) {
            QTRY_VERIFY_WITH_TIMEOUT(FindItem(d, "folderTree", "Lost") != nullptr, 10000);
            offeredAgain = static_cast<WizardStep*>(d)->menu()->action(kCmdExhaustive)->isEnabled();
            ClickButton(d, "backButton");
          })
      .answer(true);
  PartitionInfo step2(world.app->context(), nullptr);
  Select(&step2, "partitionTree", "Partition - 1 ( FAT12 )");
  step2.show();
  QTest::mouseClick(step2.findChild<QPushButton*>("nextButton"), Qt::LeftButton);
  step2.hide();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(offered);
  QVERIFY(!offeredAgain);
  QVERIFY(session.catalog.directoriesFound == 0);
}

// The NTFS search from Step 2 (a): Step 2 (c) lists both file systems of the
// disk whose table is gone and saves the search, and the second one's records
// open in Step 4; loaded in Step 2, the saved search does the same.
void LostSearchTest::ntfsFileSystemsFoundAndScanned() {
  const std::string disk = vantor::test::FixturesDir() + "/ntfs-lost/lost2.img";
  if (!std::filesystem::exists(disk)) QSKIP("the NTFS lost fixtures need root, FUSE, mkntfs and ntfs-3g");
  GuiWorld world;
  vantor::Session& session = world.app->session();
  session.reader.mapDevice("\\\\.\\PhysicalDrive0", disk);
  vantor::RecoveryState& state = session.state;
  state.selectedItemText = u"Disk0";
  state.fileSystemName = u"UNKNOWN";
  state.endSector = session.reader.sourceSectors();
  uint32_t files = 0;
  bool letters = false;
  Script script(&world.app->context(), 60000);
  script
      .on("partitionRange",
          [](QDialog* d) {
            d->findChild<QComboBox*>("fileSystemList")->setCurrentText("NTFS");
            ClickButton(d, "nextButton");
          })
      .on("exhaustivePartitionInfo",
          [&](QDialog* d) {
            QVERIFY(FindItem(d, "foundTree", "File System 1 - NTFS") != nullptr);
            d->findChild<QAction*>("actionSaveLog")->trigger();
            Select(d, "foundTree", "File System 2 - NTFS");
            QCOMPARE(LabelText(d, "foundStart"), QString("133120"));
            ClickButton(d, "nextButton");
          })
      .on("fileDisplay",
          [&](QDialog* d) {
            QTRY_VERIFY_WITH_TIMEOUT(FindItem(d, "folderTree", "Root") != nullptr, 10000);
            files = session.catalog.filesFound;
            letters = FindItem(d, "folderTree", "Old Letters") != nullptr;
            ClickButton(d, "backButton");
          })
      .answer(true)
      .click("exhaustivePartitionInfo", "backButton")
      .click("partitionRange", "backButton");
  world.chooser.saves = {QString::fromStdString(world.temp / "found")};
  PartitionRange step2a(world.app->context(), nullptr);
  RunModal(step2a);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(std::filesystem::file_size(world.temp / "FOUND.ST2C") > 1000);
  QVERIFY(files >= 64);
  QVERIFY(letters);

  // Step 2's Load Log reads the saved search back: Step 2 (c) lists both file
  // systems again and the second opens with the same files.
  uint32_t loadedFiles = 0;
  world.chooser.files = {QString::fromStdString(world.temp / "FOUND.ST2C")};
  Script loaded(&world.app->context(), 60000);
  loaded
      .on("exhaustivePartitionInfo",
          [](QDialog* d) {
            QVERIFY(FindItem(d, "foundTree", "File System 1 - NTFS") != nullptr);
            Select(d, "foundTree", "File System 2 - NTFS");
            ClickButton(d, "nextButton");
          })
      .on("fileDisplay",
          [&](QDialog* d) {
            QTRY_VERIFY_WITH_TIMEOUT(FindItem(d, "folderTree", "Old Letters") != nullptr, 10000);
            loadedFiles = session.catalog.filesFound;
            ClickButton(d, "backButton");
          })
      .answer(true)
      .click("exhaustivePartitionInfo", "backButton");
  PartitionInfo step2(world.app->context(), nullptr);
  step2.show();
  QTest::mouseClick(step2.findChild<QPushButton*>("loadLogButton"), Qt::LeftButton);
  step2.hide();
  QVERIFY2(loaded.finished(), qPrintable(loaded.failure()));
  QCOMPARE(loadedFiles, files);
}

QTEST_MAIN(LostSearchTest)
#include "LostSearchTest.moc"
