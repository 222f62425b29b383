// The small waiting dialog of Step 4: a caption, a bar and Stop, shown modally
// while one pass over the catalog (the list's rows, a selection pass) runs on a
// worker. It closes itself when the pass ends; Stop asks first, and a stopped pass
// ends at its next gate with what it did so far.
#pragma once

#include <QDialog>
#include <functional>

#include "gui/QtWorkerHost.h"

namespace vantor {
class Session;
}

class QProgressBar;

class ListControlFileDisplay : public QDialog {
  Q_OBJECT
 public:
  ListControlFileDisplay(const QString& caption, QWidget* parent);

  // Runs `work` on a worker with this dialog up; the session's host is this
  // dialog's while it runs.
  static void Run(QWidget* parent, vantor::Session& session, const QString& caption, std::function<void()> work);

 public slots:
  void reject() override;

 private:
  QtWorkerHost host_;
  QProgressBar* bar_;
};
