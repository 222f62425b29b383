#include "gui/ListControlFileDisplay.h"

#include <QProgressBar>
#include <QVBoxLayout>

#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/QuestionMessage.h"
#include "session/Session.h"

ListControlFileDisplay::ListControlFileDisplay(const QString& caption, QWidget* parent)
    : QDialog(parent), host_(this), bar_(new QProgressBar(this)) {
  setObjectName("listControlFileDisplay");
  setWindowTitle(kMainCaption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NamedLabel(this, caption, "waitCaption"));
  bar_->setObjectName("waitBar");
  bar_->setRange(0, 100);
  layout->addWidget(bar_);
  QPushButton* stop = NamedButton(this, "&Stop", "stopButton");
  layout->addLayout(ButtonRow({stop}));
  connect(stop, &QPushButton::clicked, this, &ListControlFileDisplay::reject);
  connect(&host_, &QtWorkerHost::progressChanged, this, [this](quint64 p) { bar_->setValue(static_cast<int>(p)); });
  connect(&host_, &QtWorkerHost::finished, this, &QDialog::accept, Qt::QueuedConnection);
}

void ListControlFileDisplay::reject() {
  host_.hold();
  // The work may have ended while it was being held: nothing is left to stop.
  if (isVisible() && QuestionMessage::Ask(this, kStopQuestion)) host_.requestStop();
  host_.release();
}

void ListControlFileDisplay::Run(QWidget* parent, vantor::Session& session, const QString& caption,
                                 std::function<void()> work) {
  ListControlFileDisplay dialog(caption, parent);
  vantor::ScopedHost workerHost(session.reader, dialog.host_);
  dialog.host_.start(std::move(work));
  dialog.exec();
  dialog.host_.waitForEnd();
}
