#include "GuiFixture.h"

#include <QDateTime>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "partition/BootValues.h"
#include "partition/PartitionTable.h"
#include "session/Session.h"

namespace {

// Reads of the backing file, each of at least `minBytes` after a short wait and
// through the gate, when there is one.
class SlowDevice : public vantor::RawDevice {
 public:
  SlowDevice(std::unique_ptr<vantor::RawDevice> backing, int micros, size_t minBytes, std::shared_ptr<ReadGate> gate)
      : backing_(std::move(backing)), micros_(micros), minBytes_(minBytes), gate_(std::move(gate)) {}
  bool readAt(uint64_t offset, void* buffer, size_t length) override {
    if (gate_ != nullptr) gate_->pass(length >= minBytes_);
    if (length >= minBytes_ && micros_ > 0) std::this_thread::sleep_for(std::chrono::microseconds(micros_));
    return backing_->readAt(offset, buffer, length);
  }
  bool writeAt(uint64_t, const void*, size_t) override { return false; }
  uint64_t size() override { return backing_->size(); }

 private:
  std::unique_ptr<vantor::RawDevice> backing_;
  int micros_;
  size_t minBytes_;
  std::shared_ptr<ReadGate> gate_;
};

}  // namespace

void ReadGate::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
}

void ReadGate::open() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = false;
  }
  opened_.notify_all();
}

int ReadGate::waiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waiting_;
}

void ReadGate::pass(bool slow) {
  ++reads_;
  if (!slow) return;
  std::unique_lock<std::mutex> lock(mutex_);
  ++waiting_;
  opened_.wait_for(lock, std::chrono::seconds(30), [this] { return !closed_; });
  --waiting_;
}

std::string BigImage() {
  const char* folder = std::getenv("VANTOR_FIXTURES");
  return std::string(folder != nullptr ? folder : "fixtures") + "/gui-big-fat.img";
}

void MapSlowly(vantor::Session& session, const std::string& image, int readMicros, size_t slowFromBytes,
               std::shared_ptr<ReadGate> gate) {
  session.reader.mapDevice("\\\\.\\PhysicalDrive0", image);
  session.reader.setOpener([readMicros, slowFromBytes, gate](const std::string& path, vantor::DeviceAccess access)
      -> std::unique_ptr<vantor::RawDevice> {
    auto file = vantor::OpenFileDevice(path, access);
    if (file == nullptr || (readMicros == 0 && gate == nullptr)) return file;
    return std::make_unique<SlowDevice>(std::move(file), readMicros, slowFromBytes, gate);
  });
}

void ChooseBigVolume(vantor::Session& session, int readMicros, size_t slowFromBytes, std::shared_ptr<ReadGate> gate) {
  MapSlowly(session, BigImage(), readMicros, slowFromBytes, std::move(gate));
  vantor::RecoveryState& state = session.state;
  state.selectedItemText = u"Disk0";
  state.deviceIndex = 0;
  vantor::ListPartitions(session, session.partitions);
  QVERIFY(!session.partitions.empty());
  state.fileSystemName = u"FAT32";
  state.startSector = session.partitions[0].startSector;
  state.endSector = session.partitions[0].endSector;
  QCOMPARE(vantor::ReadBootValues(session), 1u);
}

QTreeWidgetItem* FindItem(QWidget* dialog, const char* tree, const QString& text) {
  auto* widget = dialog->findChild<QTreeWidget*>(tree);
  if (widget == nullptr) return nullptr;
  auto found = widget->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.front();
}

void Select(QWidget* dialog, const char* tree, const QString& text) {
  QTreeWidgetItem* item = FindItem(dialog, tree, text);
  QVERIFY2(item != nullptr, qPrintable(text));
  dialog->findChild<QTreeWidget*>(tree)->setCurrentItem(item);
}

QString ScriptedChooser::openFile(QWidget*, const QString& title, const QString&) {
  titles << title;
  if (files.empty()) return {};
  QString path = files.front();
  files.pop_front();
  return path;
}

QString ScriptedChooser::saveFile(QWidget*, const QString& title, const QString&) {
  titles << title;
  if (saves.empty()) return {};
  QString path = saves.front();
  saves.pop_front();
  return path;
}

QString ScriptedChooser::chooseFolder(QWidget*, const QString& title) {
  titles << title;
  if (folders.empty()) return {};
  QString path = folders.front();
  folders.pop_front();
  return path;
}

GuiWorld::GuiWorld() {
  ::setenv("VANTOR_CONFIG_DIR", (temp / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (temp / "data").c_str(), 1);
  app = std::make_unique<CVTFATNTFSApp>(chooser);
  app->startUp();
}

GuiWorld::~GuiWorld() { app.reset(); }

static std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string GuiWorld::activityLog() const { return ReadText(temp / "data/vantor/Activity Log.txt"); }
std::string GuiWorld::recoveryLog() const { return ReadText(temp / "data/vantor/Recovery Log.txt"); }

std::string GuiWorld::SourceFile(const std::string& relative) {
  const char* root = std::getenv("VANTOR_SOURCE_DIR");
  return std::string(root != nullptr ? root : ".") + "/" + relative;
}

Script::Script(WizardContext* context, int timeoutMs) : context_(context), timeoutMs_(timeoutMs) {
  connect(&poll_, &QTimer::timeout, this, &Script::check);
  poll_.start(10);
  waitingSince_ = QDateTime::currentMSecsSinceEpoch();
}

Script& Script::on(const QString& objectName, Action action) {
  steps_.push_back({objectName, std::move(action)});
  return *this;
}

Script& Script::click(const QString& objectName, const char* button) {
  return on(objectName, [button](QDialog* d) { ClickButton(d, button); });
}

Script& Script::message(const QString& expectedText, QStringList* seen) {
  return on("messagesInfo", [this, expectedText, seen](QDialog* d) {
    QString text = LabelText(d, "messageText");
    if (seen != nullptr) *seen << text;
    if (!expectedText.isEmpty() && text != expectedText && failure_.isEmpty())
      failure_ = "message \"" + text + "\" instead of \"" + expectedText + "\"";
    ClickButton(d, "okButton");
  });
}

Script& Script::answer(bool yes, const QString& expectedText) {
  return on("questionMessage", [this, yes, expectedText](QDialog* d) {
    QString text = LabelText(d, "questionText");
    if (!expectedText.isEmpty() && text != expectedText && failure_.isEmpty())
      failure_ = "question \"" + text + "\" instead of \"" + expectedText + "\"";
    ClickButton(d, yes ? "yesButton" : "noButton");
  });
}

void Script::check() {
  auto* active = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (!failure_.isEmpty()) {
    if (context_ != nullptr) context_->exitRequested = true;
    if (active != nullptr) active->done(QDialog::Rejected);
    return;
  }
  if (steps_.empty()) return;
  if (std::find(acting_.begin(), acting_.end(), active) != acting_.end()) {
    waitingSince_ = now;
    return;
  }
  if (active != nullptr && active->objectName() == steps_.front().name) {
    Action action = std::move(steps_.front().action);
    steps_.pop_front();
    waitingSince_ = now;
    QPointer<QDialog> target(active);
    QTimer::singleShot(0, active, [this, action, target] {
      if (!target) return;
      acting_.push_back(target);
      action(target);
      acting_.pop_back();
    });
    return;
  }
  if (now - waitingSince_ > timeoutMs_)
    failure_ = "no dialog \"" + steps_.front().name + "\" (active: " +
               (active != nullptr ? active->objectName() : QString("none")) + ")";
}

void ClickButton(QWidget* dialog, const char* name) {
  auto* button = dialog->findChild<QPushButton*>(name);
  QVERIFY2(button != nullptr, name);
  QVERIFY2(button->isEnabled(), name);
  QTest::mouseClick(button, Qt::LeftButton);
}

QString LabelText(QWidget* dialog, const char* name) {
  auto* label = dialog->findChild<QLabel*>(name);
  return label != nullptr ? label->text() : QString();
}

Script& OpenSample(Script& script, const QString& partition) {
  const auto select = [](QDialog* d, const char* tree, const QString& text) {
    auto found = d->findChild<QTreeWidget*>(tree)->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    d->findChild<QTreeWidget*>(tree)->setCurrentItem(found.front());
  };
  return script
      .on("selectionRecovery",
          [](QDialog* d) {
            ClickButton(d, "openButton");
            ClickButton(d, "vantorButton");
          })
      .on("desktopRecovery",
          [select](QDialog* d) {
            select(d, "deviceTree", "sample.vmdk");
            ClickButton(d, "nextButton");
          })
      .on("partitionInfo", [select, partition](QDialog* d) {
        select(d, "partitionTree", partition);
        ClickButton(d, "nextButton");
      });
}

Script& LeaveFromStep4(Script& script) {
  return script.click("fileDisplay", "backButton")
      .answer(true)
      .click("partitionInfo", "backButton")
      .click("desktopRecovery", "backButton")
      .click("selectionRecovery", "cancelButton");
}
