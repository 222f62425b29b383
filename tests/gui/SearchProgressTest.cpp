// Step 3 on a long scan: a FAT32 volume of 100 000 files read through a device
// that answers slowly, so that the scan lasts seconds. Pause and Resume keep the
// pause out of the elapsed time, Stop answered No lets the scan finish, Stop
// answered Yes opens Step 4 with what was found, Back frees the catalog so the
// next scan starts empty; the progress report changes the labels once per 1000
// calls; and the dialog is served while the worker waits for the disk.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "core/ProgressReport.h"
#include "core/SizeText.h"
#include "gui/SearchProgress.h"
#include "GuiFixture.h"
#include "session/Session.h"

namespace {

QPushButton* Button(QWidget* dialog, const char* name) { return dialog->findChild<QPushButton*>(name); }

// What Step 4 showed when it opened: the counters, then Back to Step 2.
Script& LeaveStep4(Script& script, uint32_t* folders, uint32_t* files, vantor::Session& session) {
  return script.message(QString())
      .on("fileDisplay",
          [folders, files, &session](QDialog* d) {
            *folders = session.catalog.directoriesFound;
            *files = session.catalog.filesFound;
            ClickButton(d, "backButton");
          })
      .answer(true, "Are you sure you want to go back to Step 2");
}

}  // namespace

class SearchProgressTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void pauseResumeAndStopDeclined();
  void stopOpensStep4WithWhatWasFound();
  void backFreesTheCatalog();
  void progressLabelsAreThrottled();
  void staysResponsiveDuringALongScan();
};

void SearchProgressTest::init() {
  if (!std::filesystem::exists(BigImage())) QSKIP("the big FAT fixture is not built (tests/gui/make-big-fat.sh)");
}

void SearchProgressTest::pauseResumeAndStopDeclined() {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  ChooseBigVolume(session, 300);
  std::atomic<int64_t> now{0};
  SearchProgress step3(world.app->context(), nullptr);
  step3.clock().setNow([&now] { return now.load(); });
  step3.show();
  QTRY_VERIFY(LabelText(&step3, "filesFound").toInt() > 0);
  now = 3000;
  QTest::mouseClick(Button(&step3, "pauseButton"), Qt::LeftButton);
  QCOMPARE(Button(&step3, "pauseButton")->text(), QString("Resume"));
  QVERIFY(!Button(&step3, "stopButton")->isEnabled());
  QVERIFY(!Button(&step3, "backButton")->isEnabled());
  uint32_t held = session.catalog.filesFound;
  QTest::qWait(300);
  QCOMPARE(session.catalog.filesFound, held);
  now = 10000;
  QTest::mouseClick(Button(&step3, "pauseButton"), Qt::LeftButton);
  QCOMPARE(Button(&step3, "pauseButton")->text(), QString("&Pause"));
  now = 12000;
  QCOMPARE(step3.clock().seconds(), int64_t{5});
  QTRY_COMPARE_WITH_TIMEOUT(LabelText(&step3, "timeElapsed"), QString("0 : 0 : 5"), 3000);

  uint32_t folders = 0, files = 0;
  Script script(&world.app->context(), 60000);
  script.answer(false, "Are you sure you want to stop this process");
  LeaveStep4(script, &folders, &files, session);
  QTest::mouseClick(Button(&step3, "stopButton"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!step3.isVisible(), 60000);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(files, 100000u);
  QCOMPARE(folders, 50u);
}

void SearchProgressTest::stopOpensStep4WithWhatWasFound() {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  ChooseBigVolume(session, 300);
  SearchProgress step3(world.app->context(), nullptr);
  step3.show();
  QTRY_VERIFY(LabelText(&step3, "filesFound").toInt() > 2000);
  uint32_t folders = 0, files = 0;
  Script script(&world.app->context());
  script.answer(true, "Are you sure you want to stop this process");
  LeaveStep4(script, &folders, &files, session);
  QTest::mouseClick(Button(&step3, "stopButton"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!step3.isVisible(), 20000);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(files > 2000 && files < 100000);
  std::string report = "\r\nAnalysing Files/Directories Information : \r\nTime Elapsed : ";
  QVERIFY(world.activityLog().find(report) != std::string::npos);
  QVERIFY(world.activityLog().find("\r\nFiles Found : " + std::to_string(files)) != std::string::npos);
}

void SearchProgressTest::backFreesTheCatalog() {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  ChooseBigVolume(session, 300);
  {
    SearchProgress step3(world.app->context(), nullptr);
    step3.show();
    QTRY_VERIFY(LabelText(&step3, "filesFound").toInt() > 2000);
    Script script(&world.app->context());
    script.answer(true, "Are you sure you want to go back to Step 2");
    QTest::mouseClick(Button(&step3, "backButton"), Qt::LeftButton);
    QTRY_VERIFY(!step3.isVisible());
    QVERIFY2(script.finished(), qPrintable(script.failure()));
  }
  QVERIFY(session.catalog.folders().empty());
  QVERIFY(session.catalog.files().empty());
  QCOMPARE(session.catalog.filesFound, 0u);
  QCOMPARE(session.catalog.directoriesFound, 0u);
  QVERIFY(world.activityLog().find("Step 3 :") == std::string::npos);

  ChooseBigVolume(session, 0);
  uint32_t folders = 0, files = 0;
  Script script(&world.app->context(), 60000);
  LeaveStep4(script, &folders, &files, session);
  SearchProgress again(world.app->context(), nullptr);
  again.show();
  QTRY_VERIFY_WITH_TIMEOUT(!again.isVisible(), 60000);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QCOMPARE(files, 100000u);
  QCOMPARE(folders, 50u);
}

void SearchProgressTest::progressLabelsAreThrottled() {
  GuiWorld world;
  world.app->session().state.fileSystemName = u"UNKNOWN";
  SearchProgress step3(world.app->context(), nullptr);
  step3.show();
  vantor::ProgressReport report;
  auto calls = [&](int count, uint64_t position) {
    std::thread worker([&] {
      for (int i = 0; i < count; ++i) report.Report(step3.host(), position, 7, 9, u"LAST.TXT");
    });
    worker.join();
    QCoreApplication::processEvents();
  };
  calls(999, vantor::kGigaByte);
  QCOMPARE(LabelText(&step3, "totalSize"), QString());
  calls(1, vantor::kGigaByte);
  QCOMPARE(LabelText(&step3, "totalSize"), QString("1024.000 MB"));
  QCOMPARE(LabelText(&step3, "directoriesFound"), QString("7"));
  QCOMPARE(LabelText(&step3, "filesFound"), QString("9"));
  QCOMPARE(LabelText(&step3, "lastName"), QString("LAST.TXT"));
  calls(999, vantor::kGigaByte + 1);
  QCOMPARE(LabelText(&step3, "totalSize"), QString("1024.000 MB"));
  calls(1, vantor::kGigaByte + 1);
  QCOMPARE(LabelText(&step3, "totalSize"), QString("1.000 GB"));
  // Hidden details take no updates.
  QTest::mouseClick(Button(&step3, "detailsButton"), Qt::LeftButton);
  QCOMPARE(Button(&step3, "detailsButton")->text(), QString("&Show Progress Details"));
  calls(1000, 5 * vantor::kMegaByte);
  QCOMPARE(LabelText(&step3, "totalSize"), QString("1.000 GB"));
}

// The worker held inside a read of the device: the window is served all the
// same (its clock follows the time, its buttons answer), and once the read goes
// on, the counters come in while the scan runs.
void SearchProgressTest::staysResponsiveDuringALongScan() {
  GuiWorld world;
  vantor::Session& session = world.app->session();
  auto gate = std::make_shared<ReadGate>();
  ChooseBigVolume(session, 500, 0, gate);
  std::atomic<int64_t> now{0};
  SearchProgress step3(world.app->context(), nullptr);
  step3.clock().setNow([&now] { return now.load(); });
  gate->close();
  step3.show();
  QTRY_COMPARE_WITH_TIMEOUT(gate->waiting(), 1, 10000);
  now = 2500;
  QTRY_COMPARE_WITH_TIMEOUT(LabelText(&step3, "timeElapsed"), QString("0 : 0 : 2"), 10000);
  now = 7300;
  QTRY_COMPARE_WITH_TIMEOUT(LabelText(&step3, "timeElapsed"), QString("0 : 0 : 7"), 10000);
  QTest::mouseClick(Button(&step3, "detailsButton"), Qt::LeftButton);
  QCOMPARE(Button(&step3, "detailsButton")->text(), QString("&Show Progress Details"));
  QTest::mouseClick(Button(&step3, "detailsButton"), Qt::LeftButton);
  QCOMPARE(gate->waiting(), 1);  // still in the same read
  QCOMPARE(LabelText(&step3, "filesFound").toInt(), 0);
  gate->open();
  QTRY_VERIFY_WITH_TIMEOUT(LabelText(&step3, "filesFound").toInt() > 0, 20000);

  uint32_t folders = 0, files = 0;
  Script script(&world.app->context());
  script.answer(true, "Are you sure you want to stop this process");
  LeaveStep4(script, &folders, &files, session);
  QTest::mouseClick(Button(&step3, "stopButton"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!step3.isVisible(), 20000);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY(files > 0 && files < 100000);
}

QTEST_MAIN(SearchProgressTest)
#include "SearchProgressTest.moc"
