// The start dialog, Step 1 and Step 2 on the bundled sample disk: the file check
// and its messages, the device tree and information list, every validation
// message of Next, and the activity log lines of each step. A partition that
// starts past 2 TiB is chosen with its 64-bit sectors.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <QTreeWidget>

#include "GuiFixture.h"
#include "gui/DesktopRecovery.h"
#include "gui/ModalRun.h"
#include "gui/PartitionInfo.h"
#include "support/MemoryDevice.h"
#include "support/TestEnv.h"

class WizardStepsTest : public QObject {
  Q_OBJECT
 private slots:
  void wrongFileOpensNoStep();
  void snapshotOfAChangedParentAsksFirst();
  void stepValidationsAndLogs();
  void machineDevicesWithoutVirtualDisk();
  void volumePastTwoTebibytes();
};

void WizardStepsTest::wrongFileOpensNoStep() {
  GuiWorld world;
  world.chooser.files = {QString::fromStdString(GuiWorld::SourceFile("samples/README"))};
  QStringList messages;
  QString selected;
  Script script(&world.app->context());
  script.click("selectionRecovery", "vantorButton")
      .message("Please select a correct virtual machine file")
      .message("Please select a correct virtual machine file")
      .on("selectionRecovery", [&](QDialog* d) {
        selected = LabelText(d, "selectedFile");
        ClickButton(d, "cancelButton");
      });
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(world.chooser.titles, QStringList{"Select Virtual Machine File"});
  QCOMPARE(selected, QString("Selected Virtual Machine :-  No File Selected"));
  QCOMPARE(world.app->session().state.vmValid, 0);
  QVERIFY(world.activityLog().find("Step 1") == std::string::npos);
  QVERIFY(world.activityLog().find("-----------------------Start--------------------------\r\nVantor for VMWare\r\n"
                                   "Version 1.0\r\n") != std::string::npos);
}

// A snapshot whose parent was written since is refused with its reason on No,
// and read on Yes.
void WizardStepsTest::snapshotOfAChangedParentAsksFirst() {
  const std::string fixtures = vantor::test::FixturesDir();
  const std::string wrong = fixtures + "/snapshots/wrongcid/snap1.vmdk";
  std::system(("VANTOR_FIXTURES='" + fixtures + "' '" + vantor::test::SourceDir() +
               "/tests/fixtures/make-snapshot-fixtures.sh' >/dev/null 2>&1").c_str());
  if (!std::filesystem::exists(wrong)) QSKIP("the snapshot fixtures need qemu-img, qemu-io and mtools");
  GuiWorld world;
  const QString snapshot = QString::fromStdString(wrong);
  world.chooser.files = {snapshot, snapshot};
  QStringList refusal;
  int validAfterNo = -1, validAfterYes = -1;
  Script script(&world.app->context());
  script.click("selectionRecovery", "openButton")
      .answer(false)
      .message(QString(), &refusal)
      .on("selectionRecovery",
          [&](QDialog* d) {
            validAfterNo = world.app->session().state.vmValid;
            ClickButton(d, "openButton");
          })
      .answer(true)
      .on("selectionRecovery", [&](QDialog* d) {
        validAfterYes = world.app->session().state.vmValid;
        ClickButton(d, "cancelButton");
      });
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(validAfterNo, 0);
  QVERIFY2(refusal.size() == 1 && refusal[0].contains("has CID"), qPrintable(refusal.join("|")));
  QCOMPARE(validAfterYes, 1);
}

void WizardStepsTest::stepValidationsAndLogs() {
  GuiWorld world;
  const QString sample = QString::fromStdString(GuiWorld::SourceFile("samples/sample.vmdk"));
  world.chooser.files = {sample};
  QString title, selected;
  QStringList info;
  std::string logAfterFailedNext;
  Script script(&world.app->context());
  script
      .on("selectionRecovery",
          [&](QDialog* d) {
            ClickButton(d, "openButton");
            selected = LabelText(d, "selectedFile");
            ClickButton(d, "vantorButton");
          })
      .on("desktopRecovery",
          [&](QDialog* d) {
            title = d->windowTitle();
            d->findChild<QTreeWidget*>("deviceTree")->setCurrentItem(nullptr);
            ClickButton(d, "nextButton");
          })
      .message("Select Virtual Machine File")
      .on("desktopRecovery",
          [&](QDialog* d) {
            Select(d, "deviceTree", "Physical Devices");
            ClickButton(d, "nextButton");
          })
      .message("Select Hard Disk")
      .on("desktopRecovery",
          [&](QDialog* d) {
            logAfterFailedNext = world.activityLog();
            Select(d, "deviceTree", "sample.vmdk");
            info = static_cast<DesktopRecovery*>(d)->informationLines();
            ClickButton(d, "nextButton");
          })
      .on("partitionInfo",
          [&](QDialog* d) {
            QVERIFY(FindItem(d, "partitionTree", "Partition - 1 ( FAT32 )") != nullptr);
            QVERIFY(FindItem(d, "partitionTree", "Partition - 2 ( NTFS )") != nullptr);
            Select(d, "partitionTree", "sample.vmdk");
            ClickButton(d, "nextButton");
          })
      .message("Select partition type")
      .on("partitionInfo",
          [&](QDialog* d) {
            Select(d, "partitionTree", "Partition - 1 ( FAT32 )");
            QCOMPARE(LabelText(d, "panelValue2"), QString("2048"));
            QCOMPARE(LabelText(d, "panelValue3"), QString("71680"));
            d->findChild<QCheckBox*>("searchExhaustive")->setChecked(true);
            ClickButton(d, "nextButton");
          })
      .on("partitionRange",
          [&](QDialog* d) {
            QCOMPARE(d->findChild<QLineEdit*>("startRange")->text(), QString("2048"));
            QCOMPARE(d->findChild<QLineEdit*>("endRange")->text(), QString("71680"));
            QCOMPARE(d->findChild<QComboBox*>("fileSystemList")->currentText(), QString("FAT32"));
            ClickButton(d, "backButton");
          })
      .click("partitionInfo", "backButton")
      .click("desktopRecovery", "backButton")
      .click("selectionRecovery", "cancelButton");
  world.app->run();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(selected, "Selected Virtual Machine :-  " + sample);
  QCOMPARE(title, QString("Vantor for VMWare - Vantor"));
  QVERIFY(info.size() >= 3);
  QVERIFY(info.front().startsWith("Virtual Machine Type  : monolithicSparse"));
  QVERIFY(logAfterFailedNext.find("Step 1") == std::string::npos);
  std::string log = world.activityLog();
  std::string step1 = "\r\n\r\nStep 1 : Vantor\r\n-------\r\nDevice Information : \r\n" + info.join("\r\n").toStdString();
  QVERIFY2(log.find(step1) != std::string::npos, log.c_str());
  const std::string step2 = "\r\nStep 2 :\r\n-------\r\nSelected Information : Partition - 1 ( FAT32 )\r\n"
                            "Partition Type : FAT32\r\nPartition Size : 34 MB\r\nStart Sector : 2048\r\n"
                            "End Sector : 71680\r\nSearch Exhaustive : Checked";
  QVERIFY2(log.find(step2) != std::string::npos, log.c_str());
  QCOMPARE(world.app->session().state.startSector, uint64_t{2048});
}

// A logical partition whose start (extended base + its own first sector) passes
// 2^32 sectors: Step 2 shows it and Next takes it whole; Step 2 (a), whose fields
// hold 32 bits, shows it and refuses it with its reason.
void WizardStepsTest::volumePastTwoTebibytes() {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  auto disk = std::make_shared<vantor::test::MemoryDisk>();
  const auto entry = [&](uint64_t sector, uint8_t type, uint32_t first, uint32_t count) {
    std::vector<uint8_t>& bytes = disk->sector(sector);
    bytes[446 + 4] = type;
    std::memcpy(bytes.data() + 446 + 8, &first, 4);
    std::memcpy(bytes.data() + 446 + 12, &count, 4);
    bytes[510] = 0x55, bytes[511] = 0xAA;
  };
  const uint32_t extended = 4294967000u;
  entry(0, 0x0F, extended, 200000);
  entry(extended, 0x0C, 2048, 50000);
  const uint64_t start = uint64_t{extended} + 2048;
  vantor::test::UseMemoryDisk(session, disk);
  session.state.vmValid = 0;
  session.state.selectedItemText = u"Disk0";
  Script script(&world.app->context());
  script
      .on("partitionRange",
          [&](QDialog* d) {
            QCOMPARE(d->findChild<QLineEdit*>("startRange")->text(), QString::number(start));
            ClickButton(d, "nextButton");
          })
      .message("Sector numbers above 4294967295 cannot be entered here. Search such a disk with the command line: "
               "vantor lost SOURCE --range FIRST END --fs TYPE")
      .click("partitionRange", "backButton");
  PartitionInfo step2(world.app->context(), nullptr);
  Select(&step2, "partitionTree", "Partition - 1 ( FAT32 )");
  QCOMPARE(LabelText(&step2, "panelValue2"), QString::number(start));
  step2.findChild<QCheckBox*>("searchExhaustive")->setChecked(true);
  step2.show();
  QTest::mouseClick(step2.findChild<QPushButton*>("nextButton"), Qt::LeftButton);
  step2.hide();
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(session.state.startSector, start);
  QCOMPARE(session.state.endSector, start + 50000);
}

// Without a virtual disk Step 1 lists this machine's drives and disks: the branch
// items are refused, a disk item sets the device index and opens Step 2.
void WizardStepsTest::machineDevicesWithoutVirtualDisk() {
  GuiWorld world;
  vantor::RecoveryState& state = world.app->session().state;
  state.vmValid = 0;
  QStringList disks, information;
  Script script(&world.app->context());
  script.message("Select Hard Disk")
      .message("Select Logical Drive")
      .on("desktopRecovery",
          [&](QDialog* d) {
            QTreeWidgetItem* branch = FindItem(d, "deviceTree", "Select Disk");
            for (int i = 0; i < branch->childCount(); ++i) disks << branch->child(i)->text(0);
            if (disks.isEmpty()) {
              d->reject();
              return;
            }
            Select(d, "deviceTree", disks.front());
            information = static_cast<DesktopRecovery*>(d)->informationLines();
            ClickButton(d, "nextButton");
          })
      .click("partitionInfo", "backButton")
      .click("desktopRecovery", "backButton");
  DesktopRecovery step1(world.app->context(), nullptr);
  QVERIFY(FindItem(&step1, "deviceTree", "Select Logical Drive") != nullptr);
  QVERIFY(FindItem(&step1, "deviceTree", "Select Image") != nullptr);
  QVERIFY(FindItem(&step1, "deviceTree", "Physical Devices") == nullptr);
  Select(&step1, "deviceTree", "Select Disk");
  step1.show();
  QTest::mouseClick(step1.findChild<QPushButton*>("nextButton"), Qt::LeftButton);
  Select(&step1, "deviceTree", "My Computer");
  QTest::mouseClick(step1.findChild<QPushButton*>("nextButton"), Qt::LeftButton);
  step1.hide();
  RunModal(step1);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  if (disks.isEmpty()) QSKIP("this machine lists no disk");
  QVERIFY(disks.front().startsWith("Disk"));
  QCOMPARE(information.size(), 7);
  QCOMPARE(information.front(), "Physical Disk Number : " + disks.front().mid(4));
  QCOMPARE(int(state.deviceIndex), disks.front().mid(4).toInt());
  QCOMPARE(state.devicePath(), std::string("\\\\.\\PhysicalDrive0"));
  QVERIFY(world.activityLog().find("Step 1 : Vantor") != std::string::npos);
}

QTEST_MAIN(WizardStepsTest)
#include "WizardStepsTest.moc"
