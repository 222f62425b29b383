// Raw recovery in the wizard: from Step 2 with the whole disk through Step 2
// (a) ("UNKNOWN" accepted), Step 2 (b) (nothing ticked is refused), the saving
// path and Step 3 to the closing box, with the files written and both logs;
// and a Stop during the search, which ends it as aborted.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "GuiFixture.h"
#include "gui/PartitionInfo.h"
#include "session/Session.h"
#include "support/TestEnv.h"

namespace {

std::string RawDisk() { return vantor::test::FixturesDir() + "/raw/raw.img"; }

// Step 2 in raw mode with `image` as disk 0, Next on the whole disk; the script
// then runs the steps.
void RunFromStep2(GuiWorld& world, Script& script) {
  vantor::Session& session = world.app->session();
  session.state.selectedItemText = u"Disk0";
  session.state.deviceIndex = 0;
  session.state.mode = vantor::RecoveryMode::kRawChosen;
  session.state.exhaustiveChosen = 1;
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

class RawWizardTest : public QObject {
  Q_OBJECT
 private slots:
  void filesOfTheTickedTypesSavedAndLogged();
  void stopEndsTheSearchAsAborted();
};

void RawWizardTest::filesOfTheTickedTypesSavedAndLogged() {
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

void RawWizardTest::stopEndsTheSearchAsAborted() {
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

QTEST_MAIN(RawWizardTest)
#include "RawWizardTest.moc"
