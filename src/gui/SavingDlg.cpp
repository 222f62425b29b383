#include "gui/SavingDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>
#include <QTimer>

#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/MessagesInfo.h"
#include "gui/QuestionMessage.h"
#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "save/SaveTree.h"
#include "save/SavingWorker.h"
#include "session/Session.h"

namespace {

// The saving run's host: its closing message offers to open the recovery log.
class SavingHost : public QtWorkerHost {
 public:
  SavingHost(QWidget* dialog, vantor::Session& session) : QtWorkerHost(dialog), session_(session) {}

  void messageInfo(const std::string& text) override {
    if (text != vantor::kSavingCompleted && text != vantor::kSavingNotCompleted && text != vantor::kSavingAborted) {
      QtWorkerHost::messageInfo(text);
      return;
    }
    OnUiThread<bool>([&] {
      if (MessagesInfo::ShowChecked(dialog(), QString::fromStdString(text), kOpenRecoveryHistory))
        vantor::OpenLog(session_.host(), vantor::kRecoveryLog);
      return true;
    });
  }

 private:
  vantor::Session& session_;
};

const struct {
  int field;
  const char* text;
  const char* name;
} kFields[] = {{vantor::kTimeElapsedField, "Time Elapsed", "timeElapsed"},
               {vantor::kTimeRemainingField, "Time Remaining", "timeRemaining"},
               {vantor::kSizeRequiredField, "Size Required", "sizeRequired"},
               {vantor::kSizeCopiedField, "Size Copied", "sizeCopied"},
               {vantor::kLastNameField, "Last Name", "lastName"},
               {vantor::kDirectoryNameField, "Directory Name", "directoryName"}};

constexpr int kValueWidth = 480;

QProgressBar* Bar(QWidget* parent, const char* name) {
  auto* bar = new QProgressBar(parent);
  bar->setObjectName(name);
  bar->setRange(0, 100);
  return bar;
}

}  // namespace

SavingDlg::SavingDlg(WizardContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      host_(std::make_unique<SavingHost>(this, context.session)) {
  setObjectName("savingDlg");
  setWindowTitle(QString(kMainCaption) + " - Saving");
  auto* layout = new QVBoxLayout(this);
  details_ = new QWidget(this);
  auto* grid = new QGridLayout(details_);
  int row = 0;
  for (const auto& f : kFields) {
    grid->addWidget(NamedLabel(details_, QString(f.text) + " :", (std::string(f.name) + "Caption").c_str()), row, 0);
    QLabel* value = NamedLabel(details_, QString(), f.name);
    value->setFixedWidth(kValueWidth);
    fields_[f.field] = value;
    grid->addWidget(value, row++, 1);
  }
  layout->addWidget(details_);
  current_ = Bar(this, "currentBar");
  overall_ = Bar(this, "overallBar");
  layout->addWidget(current_);
  layout->addWidget(overall_);
  detailsButton_ = NamedButton(this, "Hide Progress Details", "detailsButton");
  pause_ = NamedButton(this, "&Pause", "pauseButton");
  skip_ = NamedButton(this, "S&kip", "skipButton");
  stop_ = NamedButton(this, "&Stop", "stopButton");
  layout->addLayout(ButtonRow({detailsButton_, pause_, skip_, stop_}));
  connect(detailsButton_, &QPushButton::clicked, this, &SavingDlg::toggleDetails);
  connect(pause_, &QPushButton::clicked, this, &SavingDlg::togglePause);
  connect(skip_, &QPushButton::clicked, this, [this] { context_.session.savingRun.skipFile = 1; });
  connect(stop_, &QPushButton::clicked, this, &SavingDlg::reject);
  connect(host_.get(), &QtWorkerHost::progressChanged, this, [this](quint64 p) { overall_->setValue(int(p)); });
  connect(host_.get(), &QtWorkerHost::fileProgressChanged, this, [this](quint64 p) { current_->setValue(int(p)); });
  connect(host_.get(), &QtWorkerHost::captionChanged, this, &SavingDlg::showField);
  connect(host_.get(), &QtWorkerHost::finished, this, &QDialog::accept, Qt::QueuedConnection);
}

SavingDlg::~SavingDlg() {
  host_->stopAndWait();
  workerHost_.reset();
}

void SavingDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  QTimer::singleShot(0, this, &SavingDlg::start);
}

void SavingDlg::start() {
  workerHost_.emplace(context_.session.reader, *host_);
  host_->start([this] { save(); });
}

void SavingDlg::save() {
  vantor::Session& session = context_.session;
  vantor::LogRunStart(session.startTime, vantor::kRecoveryLog);
  session.savingRun.startTime = static_cast<int64_t>(std::time(nullptr));
  vantor::SaveTree(session);
  const vantor::SavingRun& run = session.savingRun;
  const char* closing = stopped_                               ? vantor::kSavingAborted
                        : run.bytesCopied == run.bytesRequired ? vantor::kSavingCompleted
                                                               : vantor::kSavingNotCompleted;
  vantor::CloseSavingReport(session, closing);
}

void SavingDlg::togglePause() {
  paused_ = !paused_;
  pause_->setText(paused_ ? "&Resume" : "&Pause");
  for (QPushButton* b : {detailsButton_, stop_, skip_}) b->setEnabled(!paused_);
  if (paused_) {
    host_->hold();
    pauseStart_ = std::time(nullptr);
  } else {
    context_.session.savingRun.pausedSeconds += std::time(nullptr) - pauseStart_;
    host_->release();
  }
}

void SavingDlg::reject() {
  if (paused_ || stopped_) return;
  host_->hold();
  // The save may have ended while it was being held: nothing is left to stop.
  if (isVisible() && QuestionMessage::Ask(this, kStopQuestion)) {
    stopped_ = true;
    context_.session.savingRun.abortAll = 1;
  }
  host_->release();
}

void SavingDlg::toggleDetails() {
  bool shown = !context_.session.savingRun.detailsShown;
  context_.session.savingRun.detailsShown = shown;
  details_->setVisible(shown);
  detailsButton_->setText(shown ? "Hide Progress Details" : "Show Progress Details");
}

void SavingDlg::showField(int field, const QString& text) {
  auto found = fields_.find(field);
  if (found == fields_.end()) return;
  found->second->setText(found->second->fontMetrics().elidedText(text, Qt::ElideMiddle, kValueWidth));
  found->second->setToolTip(text);
}
