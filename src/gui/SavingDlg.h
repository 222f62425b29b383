// The saving progress: the saving worker on its own thread, the six detail fields,
// the bars of the current file and of the whole run, Pause/Resume, Skip, Stop and
// "Hide Progress Details". It closes itself when the worker ends; the worker's
// closing message offers to open the recovery log.
#pragma once

#include <QDialog>
#include <atomic>
#include <ctime>
#include <map>
#include <memory>
#include <optional>

#include "gui/QtWorkerHost.h"
#include "gui/WizardContext.h"

class QLabel;
class QProgressBar;
class QPushButton;

class SavingDlg : public QDialog {
  Q_OBJECT
 public:
  SavingDlg(WizardContext& context, QWidget* parent);
  ~SavingDlg() override;

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void start();
  void save();
  void togglePause();
  void toggleDetails();
  void showField(int field, const QString& text);

  WizardContext& context_;
  std::unique_ptr<QtWorkerHost> host_;
  // Stands the worker's host in for the session's while the worker runs.
  std::optional<vantor::ScopedHost> workerHost_;
  std::map<int, QLabel*> fields_;
  QWidget* details_ = nullptr;
  QProgressBar* current_ = nullptr;
  QProgressBar* overall_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* skip_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* detailsButton_ = nullptr;
  std::atomic<bool> stopped_{false};
  std::time_t pauseStart_ = 0;
  bool paused_ = false;
  bool started_ = false;
};
