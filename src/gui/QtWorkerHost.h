// The WorkerHost of the wizard's progress dialogs, and the one worker thread.
//
// The worker never touches a widget: progress, step lines and captions travel as
// queued signals to the dialog, and questions run on the user-interface thread
// through blocking queued calls while the worker waits for the answer.
//
// Pause, Stop and Back are cooperative. The dialog closes the gate with hold(),
// which returns once the worker is parked at its gate, waiting for an answer, or
// finished, so the worker never runs while the user answers; release() lets it go
// on. A worker that returns from a question passes the gate before it goes on.
// While hold() waits, the dialog's events other than input are served: its
// progress, and the worker's end, may arrive then.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/WorkerHost.h"

class QtWorkerHost : public QObject, public vantor::WorkerHost {
  Q_OBJECT
 public:
  explicit QtWorkerHost(QWidget* dialog);
  ~QtWorkerHost() override;

  // Worker side.
  void setProgressRange(uint64_t range) override;
  void setProgress(uint64_t position) override;
  void setFileProgress(uint64_t percent) override;
  void setStepText(const std::string& text) override;
  void setCaption(int control, const std::string& text) override;
  void pauseGate() override;
  bool stopRequested() override { return stop_.load(); }
  // A stop that ends the whole worker (stopAndWait) is not taken back.
  void clearStop() override {
    if (!ending_) stop_ = false;
  }
  int32_t askBadSectors() override;
  void messageInfo(const std::string& text) override;
  bool question(const std::string& text) override;
  vantor::ReplaceAnswer askReplace(const std::string& path) override;
  vantor::WriteErrorAnswer askWriteError(const std::string& path, const std::string& reason) override;
  std::optional<std::string> askOtherFolder() override;

  // User-interface side.
  // How the dialog asks for another output folder; without it, none is asked.
  void setOtherFolderAsk(std::function<std::string()> ask) { otherFolderAsk_ = std::move(ask); }
  void start(std::function<void()> work);
  void hold();
  void release();
  void requestStop() { stop_ = true; }
  // Stops a held or running worker at its next gate and waits for it to end,
  // serving its questions meanwhile.
  void stopAndWait();
  // Waits (serving events) for the worker to end and joins it.
  void waitForEnd();

 signals:
  void progressRangeChanged(quint64 range);
  void progressChanged(quint64 position);
  void fileProgressChanged(quint64 percent);
  void stepTextChanged(const QString& text);
  void captionChanged(int control, const QString& text);
  void finished();

 protected:
  // Runs `ask` on the user-interface thread while the worker waits for its result.
  template <typename Result, typename Ask>
  Result OnUiThread(Ask ask);
  QWidget* dialog() const { return dialog_; }

 private:
  void markCall(bool inCall);

  QPointer<QWidget> dialog_;
  std::function<std::string()> otherFolderAsk_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ending_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool parked_ = false;
  bool inCall_ = false;
  bool done_ = true;
};

template <typename Result, typename Ask>
Result QtWorkerHost::OnUiThread(Ask ask) {
  if (QThread::currentThread() == thread()) return ask();
  Result result{};
  markCall(true);
  QMetaObject::invokeMethod(this, [&] { result = ask(); }, Qt::BlockingQueuedConnection);
  markCall(false);
  pauseGate();
  return result;
}
