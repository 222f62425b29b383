// Step 3: runs the one worker that the recovery state calls for on its own thread,
// shows its progress and elapsed time, and offers Pause, Stop, Back and "Hide
// Progress Details". When the scan ends (by itself or by Stop) it writes the Step 3
// report to the activity log and opens Step 4 with what was found; after a
// lost-partition search it logs the search and closes, for Step 2 (c) to list
// what was found; after raw recovery or imaging it logs the run, shows how it
// ended and closes.
//
// The worker waits at its gate while the user answers a question here, and a
// worker that ends meanwhile is completed only after the answer.
#pragma once

#include <QTimer>
#include <map>
#include <optional>

#include "gui/ElapsedClock.h"
#include "gui/QtWorkerHost.h"
#include "gui/SearchWorkers.h"
#include "gui/WizardStep.h"
#include "imaging/ImageCreation.h"
#include "raw/RawRecovery.h"
#include "scan/RunScan.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The result with which Step 4 (and then Step 3) closes when the user switched
// to Exhaustive Recovery: the opener of Step 3 then runs a new one.
inline constexpr int kSwitchToExhaustive = 2;

class SearchProgress : public WizardStep {
  Q_OBJECT
 public:
  SearchProgress(WizardContext& context, QWidget* parent);
  ~SearchProgress() override;

  ElapsedClock& clock() { return clock_; }
  // The host through which the worker reports.
  QtWorkerHost& host() { return host_; }

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildDetails();
  void buildButtons();
  void startWorker();
  void onWorkerFinished();
  void complete();
  void completeRaw(uint64_t seconds);
  void completeImaging(uint64_t seconds);
  void togglePause();
  void askStop();
  void askBack();
  void toggleDetails();
  // Asks on the user-interface thread while the worker waits at its gate.
  bool askHeld(const char* text);
  void stopTimers();
  void restartTimers(int period);
  void showCaption(int control, const QString& text);
  void tickProgressBar();
  void showElapsed();

  QtWorkerHost host_;
  // Stands the worker's host in for the session's while the worker runs.
  std::optional<vantor::ScopedHost> workerHost_;
  WorkerChoice choice_;
  vantor::ScanReport report_;
  vantor::RawOutcome rawOutcome_;
  vantor::ImagingOutcome imagingOutcome_;
  ElapsedClock clock_;
  QTimer timer1_;
  QTimer timer2_;
  std::map<int, QLabel*> captions_;
  QWidget* details_ = nullptr;
  QLabel* explanation_ = nullptr;
  QLabel* stepLine_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* detailsButton_ = nullptr;
  bool started_ = false;
  bool asking_ = false;  // held for Pause or a question: the worker's end is taken in afterwards
  bool workerDone_ = false;
  bool leaving_ = false;
  bool detailsHidden_ = false;
};
