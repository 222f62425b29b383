// What the wizard's tests share: a scripted chooser, a private configuration and
// installation folder, the application under test, and a script that acts on the
// modal dialogs as they come up (each step waits for a dialog by object name).
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <vector>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "gui/CVTFATNTFSApp.h"
#include "gui/FileChooser.h"
#include "support/TempDir.h"

class ScriptedChooser : public FileChooser {
 public:
  std::deque<QString> files;
  std::deque<QString> folders;
  std::deque<QString> saves;  // null: cancelled
  QStringList titles;
  QString openFile(QWidget*, const QString& title, const QString&) override;
  QString chooseFolder(QWidget*, const QString& title) override;
  QString saveFile(QWidget*, const QString& title, const QString&) override;
};

// A private world for one test: config and data folders in a temp folder.
class GuiWorld {
 public:
  GuiWorld();
  ~GuiWorld();
  vantor::test::TempDir temp;
  ScriptedChooser chooser;
  std::unique_ptr<CVTFATNTFSApp> app;
  std::string activityLog() const;
  std::string recoveryLog() const;
  // The path of a file of the source tree.
  static std::string SourceFile(const std::string& relative);
};

// Acts on modal dialogs in order; each step runs when the dialog named by it is
// the active modal widget, and not while a step on that very dialog still runs
// (its own nested event loops, such as the file list's fill, turn the poll). A
// step that does not come within the time limit fails the script, which then
// closes every dialog so that the test ends.
class Script : public QObject {
 public:
  using Action = std::function<void(QDialog*)>;
  explicit Script(WizardContext* context = nullptr, int timeoutMs = 20000);
  Script& on(const QString& objectName, Action action);
  // Shorthands: click the named button of the dialog; answer a message or a question.
  Script& click(const QString& objectName, const char* button);
  Script& message(const QString& expectedText, QStringList* seen = nullptr);
  Script& answer(bool yes, const QString& expectedText = QString());
  bool finished() const { return steps_.empty() && failure_.isEmpty(); }
  const QString& failure() const { return failure_; }

 private:
  struct Step {
    QString name;
    Action action;
  };
  void check();
  WizardContext* context_;
  int timeoutMs_;
  std::deque<Step> steps_;
  QTimer poll_;
  qint64 waitingSince_ = 0;
  QString failure_;
  std::vector<QDialog*> acting_;  // the dialogs whose steps are running
};

// Holds the reads of a slow device where the test wants the worker: while the
// gate is closed, each read of at least the slow size waits in it (30 s at
// most, so that a test that fails before it opens the gate still ends).
class ReadGate {
 public:
  void close();
  void open();
  // Reads waiting in the closed gate now; reads begun since the device opened.
  int waiting() const;
  uint64_t reads() const { return reads_.load(); }
  // The device's side: counts the read and waits while the gate is closed.
  void pass(bool slow);

 private:
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  bool closed_ = false;
  int waiting_ = 0;
  std::atomic<uint64_t> reads_{0};
};

// Delivers what was posted to this thread so far: the queued signals of a worker
// that is now parked at its gate, all of which it sent before it stopped.
inline void DeliverQueuedEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

// The big FAT32 fixture (100 000 files) as a raw image, and Steps 1 and 2 as the
// wizard leaves them for it read as disk 0, each read of at least
// `slowFromBytes` `readMicros` late and going through `gate` when there is one.
std::string BigImage();
void ChooseBigVolume(vantor::Session& session, int readMicros, size_t slowFromBytes = 0,
                     std::shared_ptr<ReadGate> gate = nullptr);
// Reads `image` as disk 0, each read of at least `slowFromBytes` `readMicros` late.
void MapSlowly(vantor::Session& session, const std::string& image, int readMicros, size_t slowFromBytes = 0,
               std::shared_ptr<ReadGate> gate = nullptr);

// The typical way in and out of the wizard on the sample disk (the chooser
// gives the file): open it, press "Vantor", take the disk in Step 1 and
// `partition` in Step 2; and from Step 4 back through every step to the end.
Script& OpenSample(Script& script, const QString& partition);
Script& LeaveFromStep4(Script& script);

// The item of the named tree whose text is `text`, at any depth, or null; and
// the same made the tree's current item (fails the test when absent).
QTreeWidgetItem* FindItem(QWidget* dialog, const char* tree, const QString& text);
void Select(QWidget* dialog, const char* tree, const QString& text);

// Clicks a named push button of `dialog` (fails the test when absent).
void ClickButton(QWidget* dialog, const char* name);
QString LabelText(QWidget* dialog, const char* name);
