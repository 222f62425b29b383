// Raw recovery and disk imaging in the wizard. Raw recovery: from Step 2 with
// the whole disk through Step 2 (a) ("UNKNOWN" accepted), Step 2 (b) (nothing
// ticked is refused), the saving path and Step 3 to the closing box, with the
// files written and both logs; a Stop during the search ends it as aborted.
// Imaging: the whole disk into pieces in a folder chosen with Browse, the copy
// equal to the disk, and the steps logged.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "GuiFixture.h"
#include "disk/DeviceEnumeration.h"
#include "gui/PartitionInfo.h"
#include "platform/ConfigStore.h"
#include "session/Session.h"
#include "support/TestEnv.h"

namespace {

std::string RawDisk() { return vantor::test::FixturesDir() + "/raw/raw.img"; }

// Step 2 in raw mode (or imaging) with the disk mapped as disk 0, Next on the
// whole disk; the script then runs the steps.
void RunFromStep2(GuiWorld& world, Script& script, bool imaging = false) {
  vantor::Session& session = world.app->session();
  session.state.selectedItemText = u"Disk0";
  session.state.deviceIndex = 0;
  session.state.mode = imaging ? vantor::RecoveryMode::kImaging : vantor::RecoveryMode::kRawChosen;
  session.state.imaging = imaging ? 1 : 0;
  session.state.exhaustiveChosen = imaging ? 0 : 1;
  PartitionInfo step2(world.app->context(), nullptr);
  step2.show();
  QTest::mouseClick(step2.findChild<QPushButton*>("nextButton"), Qt::LeftButton);
  step2.hide();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
}

Script& TickAndSave(Script& script, const QStringList& types, const QString& folder) {
  return script
      .on("rawDefaultExtension",
          [types](QDialog* d) {
            for (const QString& type : types) d->findChild<QCheckBox*>("type" + type)->setChecked(true);
            ClickButton(d, "nextButton");
          })
      .on("savingPath", [folder](QDialog* d) {
        d->findChild<QLineEdit*>("pathField")->setText(folder);
        ClickButton(d, "okButton");
      });
}

}  // namespace

class RawAndImagingTest : public QObject {
  Q_OBJECT
 private slots:
  void filesOfTheTickedTypesSavedAndLogged();
  void stopEndsTheSearchAsAborted();
  void wholeDiskImagedInPieces();
  void diskTargetShowsItsPanelAndIsRefusedWhenSmall();
};

void RawAndImagingTest::filesOfTheTickedTypesSavedAndLogged() {
  if (!std::filesystem::exists(RawDisk())) QSKIP("the raw fixture is not built");
  GuiWorld world;
  world.app->session().reader.mapDevice("\\\\.\\PhysicalDrive0", RawDisk());
  const QString out = QString::fromStdString(world.temp / "out");
  std::filesystem::create_directory(out.toStdString());
  QString closing;
  bool offersLog = false;
  Script script(&world.app->context(), 60000);
  script
      .on("partitionRange",
          [](QDialog* d) {
            QCOMPARE(d->findChild<QLineEdit*>("startRange")->text(), QString("0"));
            QCOMPARE(d->findChild<QComboBox*>("fileSystemList")->currentText(), QString("UNKNOWN"));
            QVERIFY(LabelText(d, "explanation").contains("choose unknown"));
            ClickButton(d, "nextButton");
          })
      .click("rawDefaultExtension", "nextButton")
      .message("Please select extensions to start.");
  TickAndSave(script, {"PNG", "PDF"}, out)
      .on("messagesInfo",
          [&](QDialog* d) {
            QCOMPARE(LabelText(d->parentWidget(), "directoriesFoundCaption"), QString("Bytes Recovered    :-"));
            closing = LabelText(d, "messageText");
            offersLog = d->findChild<QCheckBox*>("messageCheck") != nullptr;
            ClickButton(d, "okButton");
          })
      .click("rawDefaultExtension", "backButton")
      .click("partitionRange", "backButton");
  RunFromStep2(world, script);
  QCOMPARE(closing, QString("Raw Saving Completed Successfully."));
  QVERIFY(offersLog);
  for (const char* file : {"/PNG/0.PNG", "/PDF/0.PDF", "/raw-report.csv"})
    QVERIFY2(std::filesystem::exists(out.toStdString() + file), file);
  QVERIFY(!std::filesystem::exists(out.toStdString() + "/JPEG"));
  const std::string activity = world.activityLog();
  for (const std::string& part :
       {std::string("Step 2 (b) :\r\n-------\r\nSelected Extensions Information : \r\n\r\n"),
        std::string("Selected Extensions Information : \r\nPDF\r\nPNG\r\n\r\nSaving Path : ") + out.toStdString(),
        std::string("Step 3 :\r\n-------\r\nRaw Recovery for Selected Extensions : \r\nTime Elapsed : "),
        std::string("Files Found : 2\r\nLast Name : ") + out.toStdString() + "/PDF/0.PDF",
        std::string("Raw Search Completed\r\nRaw Saving Completed Successfully.")})
    QVERIFY2(activity.find(part) != std::string::npos, part.c_str());
  QVERIFY(world.recoveryLog().find("Raw Recovery for Selected Extensions :\r\n-------------------------------------") !=
          std::string::npos);
}

void RawAndImagingTest::stopEndsTheSearchAsAborted() {
  if (!std::filesystem::exists(BigImage())) QSKIP("the big FAT fixture is not built");
  GuiWorld world;
  MapSlowly(world.app->session(), BigImage(), 20000);
  const QString out = QString::fromStdString(world.temp / "out");
  std::filesystem::create_directory(out.toStdString());
  Script script(&world.app->context(), 60000);
  script.click("partitionRange", "nextButton");
  TickAndSave(script, {"JPEG"}, out)
      .click("searchProgress", "stopButton")
      .answer(true, "Are you sure you want to stop this process")
      .message("Raw Search Aborted.")
      .click("rawDefaultExtension", "backButton")
      .click("partitionRange", "backButton");
  RunFromStep2(world, script);
  QVERIFY(world.activityLog().find("Raw Search Aborted") != std::string::npos);
  QVERIFY(world.recoveryLog().find("Raw Search Aborted") != std::string::npos);
}

void RawAndImagingTest::wholeDiskImagedInPieces() {
  if (!std::filesystem::exists(RawDisk())) QSKIP("the raw fixture is not built");
  GuiWorld world;
  world.app->session().reader.mapDevice("\\\\.\\PhysicalDrive0", RawDisk());
  const std::string out = world.temp / "copy";
  std::filesystem::create_directory(out);
  world.chooser.folders = {QString::fromStdString(out)};
  QString closing;
  Script script(&world.app->context(), 60000);
  script.click("partitionRange", "nextButton")
      .click("imageCreation", "nextButton")
      .message("The image's name must end in .img, as Image.img.")
      .on("imageCreation",
          [](QDialog* d) {
            ClickButton(d, "browseButton");
            d->findChild<QCheckBox*>("multifile")->setChecked(true);
            ClickButton(d, "nextButton");
          })
      .message("Image creation completed successfully.")
      .click("imageCreation", "backButton")
      .click("partitionRange", "backButton");
  RunFromStep2(world, script, true);
  std::ifstream copy(out + "/Image0.img", std::ios::binary), disk(RawDisk(), std::ios::binary);
  QVERIFY(std::string(std::istreambuf_iterator<char>(copy), {}) == std::string(std::istreambuf_iterator<char>(disk), {}));
  const std::string activity = world.activityLog();
  for (const std::string& part :
       {"Step 2 (b):\r\n-------\r\nImage Creation Type : Image\r\nDestination Image : " + out +
            "/Image.img\r\nMultifile : Checked",
        std::string("Step 3 :\r\n-------\r\nAnalysing Imaging Creation Information : \r\nTime Elapsed : "),
        "Last Name : " + out + "/Image0.img\r\nImage creation completed successfully."})
    QVERIFY2(activity.find(part) != std::string::npos, part.c_str());
}

// Two stored disks as targets: each shows its panel from the device store; the
// large one is put to the "All data will be lost" question (No leaves it
// alone), the one smaller than the raw fixture is refused before any question.
void RawAndImagingTest::diskTargetShowsItsPanelAndIsRefusedWhenSmall() {
  if (!std::filesystem::exists(RawDisk())) QSKIP("the raw fixture is not built");
  GuiWorld world;
  world.app->session().reader.mapDevice("\\\\.\\PhysicalDrive0", RawDisk());
  vantor::ConfigStore store = vantor::ConfigStore::Load();
  vantor::WriteDeviceStore(store, {{"/dev/null", 1 << 19, "Small Disk", false},
                                   {world.temp / "big-disk", uint64_t{1} << 30, "Big Disk", false}});
  QVERIFY(store.save());
  const auto choose = [](int row, const char* model, const char* size) {
    return [=](QDialog* d) {
      d->findChild<QComboBox*>("kindList")->setCurrentText("Disk");
      QCOMPARE(LabelText(d, "destinationCaption"), QString("Destination Disk : "));
      d->findChild<QListWidget*>("diskList")->setCurrentRow(row);
      QCOMPARE(LabelText(d, "panelValue0"), QString(model));
      QCOMPARE(LabelText(d, "panelValue3"), QString(size));
      ClickButton(d, "nextButton");
    };
  };
  Script script(&world.app->context(), 60000);
  script.click("partitionRange", "nextButton")
      .on("imageCreation", choose(1, "Big Disk", "1024 MB"))
      .answer(false, "All data will be lost in Target Disk -\r\nDisk1 - Big Disk\r\n\r\nAre you sure you want to "
                     "continue ?\r\n")
      .on("imageCreation", choose(0, "Small Disk", "0 MB"))
      .message("Insufficient free space on target. Please change target drive.")
      .click("imageCreation", "backButton")
      .click("partitionRange", "backButton");
  RunFromStep2(world, script, true);
  QVERIFY(!std::filesystem::exists(world.temp / "big-disk"));
  QVERIFY(world.activityLog().find("Image Creation Type : Disk\r\nDestination Disk : Disk1\r\nModel Number : Big Disk") !=
          std::string::npos);
}

QTEST_MAIN(RawAndImagingTest)
#include "RawAndImagingTest.moc"
