#include "gui/QtWorkerHost.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <chrono>

#include "gui/BadSectorsDialog.h"
#include "gui/FileCreation.h"
#include "gui/MessagesInfo.h"
#include "gui/QuestionMessage.h"
#include "gui/Replace1.h"

QtWorkerHost::QtWorkerHost(QWidget* dialog) : QObject(nullptr), dialog_(dialog) {}

QtWorkerHost::~QtWorkerHost() { stopAndWait(); }

void QtWorkerHost::setProgressRange(uint64_t range) { emit progressRangeChanged(range); }
void QtWorkerHost::setProgress(uint64_t position) { emit progressChanged(position); }
void QtWorkerHost::setFileProgress(uint64_t percent) { emit fileProgressChanged(percent); }
void QtWorkerHost::setStepText(const std::string& text) { emit stepTextChanged(QString::fromStdString(text)); }
void QtWorkerHost::setCaption(int control, const std::string& text) {
  emit captionChanged(control, QString::fromStdString(text));
}

void QtWorkerHost::pauseGate() {
  if (QThread::currentThread() == thread()) return;
  std::unique_lock lock(mutex_);
  parked_ = true;
  changed_.notify_all();
  changed_.wait(lock, [this] { return !held_; });
  parked_ = false;
}

void QtWorkerHost::markCall(bool inCall) {
  std::lock_guard lock(mutex_);
  inCall_ = inCall;
  changed_.notify_all();
}

int32_t QtWorkerHost::askBadSectors() {
  return OnUiThread<int32_t>([this] { return BadSectorsDialog::Ask(dialog_); });
}

void QtWorkerHost::messageInfo(const std::string& text) {
  OnUiThread<bool>([&] {
    MessagesInfo::Show(dialog_, QString::fromStdString(text));
    return true;
  });
}

bool QtWorkerHost::question(const std::string& text) {
  return OnUiThread<bool>([&] { return QuestionMessage::Ask(dialog_, QString::fromStdString(text)); });
}

vantor::ReplaceAnswer QtWorkerHost::askReplace(const std::string& path) {
  return OnUiThread<vantor::ReplaceAnswer>([&] { return Replace1::Ask(dialog_, QString::fromStdString(path)); });
}

vantor::WriteErrorAnswer QtWorkerHost::askWriteError(const std::string& path, const std::string& reason) {
  return OnUiThread<vantor::WriteErrorAnswer>(
      [&] { return FileCreation::Ask(dialog_, QString::fromStdString(path), QString::fromStdString(reason)); });
}

std::optional<std::string> QtWorkerHost::askOtherFolder() {
  if (!otherFolderAsk_) return std::nullopt;
  return OnUiThread<std::string>([&] { return otherFolderAsk_(); });
}

void QtWorkerHost::start(std::function<void()> work) {
  waitForEnd();
  {
    std::lock_guard lock(mutex_);
    done_ = false;
  }
  ending_ = false;
  thread_ = std::thread([this, work = std::move(work)] {
    work();
    {
      std::lock_guard lock(mutex_);
      done_ = true;
      changed_.notify_all();
    }
    emit finished();
  });
}

void QtWorkerHost::hold() {
  std::unique_lock lock(mutex_);
  held_ = true;
  // The next gate may lie a long read away (a failing disk's retries): the
  // window keeps painting meanwhile, and takes no clicks until the worker holds.
  while (!changed_.wait_for(lock, std::chrono::milliseconds(20), [this] { return parked_ || inCall_ || done_; })) {
    lock.unlock();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    lock.lock();
  }
}

void QtWorkerHost::release() {
  std::lock_guard lock(mutex_);
  held_ = false;
  changed_.notify_all();
}

void QtWorkerHost::stopAndWait() {
  ending_ = true;
  requestStop();
  release();
  waitForEnd();
}

void QtWorkerHost::waitForEnd() {
  if (!thread_.joinable()) return;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (done_) break;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  thread_.join();
}
