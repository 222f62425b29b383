// Step 3 on a long scan: a FAT32 volume of 100 000 files read through a device
// that answers slowly, so that the scan lasts seconds. Pause and Resume keep the
// pause out of the elapsed time, Stop answered No lets the scan finish, Stop
// answered Yes opens Step 4 with what was found, Back frees the catalog so the
// next scan starts empty; the progress report changes the labels once per 1000
// calls; and the dialog stays responsive while the scan runs.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
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

void SearchProgressTest::staysResponsiveDuringALongScan() {
  if (std::getenv("VANTOR_SANITIZED") != nullptr && std::string(std::getenv("VANTOR_SANITIZED")) == "1")
    QSKIP("timings are not meaningful under the sanitizers");
  GuiWorld world;
  vantor::Session& session = world.app->session();
  ChooseBigVolume(session, 500);
  SearchProgress step3(world.app->context(), nullptr);
  auto* elapsed = step3.findChild<QLabel*>("timeElapsed");
  std::vector<qint64> changes;
  qint64 longestGap = 0;
  QElapsedTimer watch;
  QString last;
  QTimer sampler;
  qint64 previous = 0;
  connect(&sampler, &QTimer::timeout, [&] {
    qint64 t = watch.elapsed();
    longestGap = std::max(longestGap, t - previous);
    previous = t;
    if (elapsed->text() != last) {
      last = elapsed->text();
      changes.push_back(t);
    }
  });
  step3.show();
  watch.start();
  sampler.start(20);
  QTest::qWait(3600);
  QVERIFY2(step3.isVisible() && LabelText(&step3, "filesFound").toInt() < 100000,
           "the scan ended before the clock could be watched");
  QVERIFY2(changes.size() >= 4, qPrintable(QString::number(changes.size())));
  for (size_t i = 2; i < changes.size(); ++i) {
    qint64 gap = changes[i] - changes[i - 1];
    QVERIFY2(gap > 700 && gap < 1400, qPrintable(QString("tick gap %1 ms").arg(gap)));
  }
  QVERIFY2(longestGap < 300, qPrintable(QString("event loop blocked for %1 ms").arg(longestGap)));

  qint64 asked = 0, stepFour = 0, clicked = 0;
  Script script(&world.app->context());
  script.on("questionMessage", [&](QDialog* d) {
    asked = watch.elapsed();
    ClickButton(d, "yesButton");
  });
  script.on("messagesInfo", [&](QDialog* d) {
    stepFour = watch.elapsed();
    ClickButton(d, "okButton");
  });
  script.click("fileDisplay", "backButton").answer(true);
  clicked = watch.elapsed();
  QTest::mouseClick(step3.findChild<QPushButton*>("stopButton"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!step3.isVisible(), 20000);
  QVERIFY2(script.finished(), qPrintable(script.failure()));
  QVERIFY2(asked - clicked < 1000, qPrintable(QString("question after %1 ms").arg(asked - clicked)));
  QVERIFY2(stepFour - asked < 1000, qPrintable(QString("Step 4 after %1 ms").arg(stepFour - asked)));
}

QTEST_MAIN(SearchProgressTest)
#include "SearchProgressTest.moc"
