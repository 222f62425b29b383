#include "gui/SearchProgress.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>

#include "gui/ActivityLog.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/FileDisplay.h"
#include "gui/MessagesInfo.h"
#include "gui/QuestionMessage.h"
#include "gui/RawDefaultExtension.h"
#include "logs/Logs.h"
#include "scan/RawSearch.h"
#include "scan/RunScan.h"
#include "session/Session.h"

namespace {

constexpr const char* kDetailsNote =
    "Clicking \"Hide Progress Details\" will improve performance. You may return to view partition recovery "
    "progress details at any time by clicking \"Show Progress Details\"";

// Caption and value controls of the detail rows.
const struct {
  int caption;
  int value;
  const char* text;
  const char* name;
} kRows[] = {{1051, 1034, "Time Elapsed          :-", "timeElapsed"},
             {1052, 1035, "Total Size                :-", "totalSize"},
             {1045, 1048, "Directories Found    :-", "directoriesFound"},
             {1046, 1049, "Files Found              :-", "filesFound"},
             {1047, 1050, "Last Name               :-", "lastName"}};

}  // namespace

SearchProgress::SearchProgress(WizardContext& context, QWidget* parent)
    : WizardStep(context, parent), host_(this) {
  setObjectName("searchProgress");
  setWindowTitle(QString(kMainCaption) + " - Step 3");
  menu()->setAllEnabled(false);
  choice_ = ChooseWorkerCaptions(session().state);
  layout_->addWidget(NamedLabel(this, "Step 3 : Searching.", "stepTitle"));
  explanation_ = NamedLabel(this, choice_.explanation, "explanation");
  explanation_->setWordWrap(true);
  layout_->addWidget(explanation_);
  buildDetails();
  buildButtons();
  connect(&host_, &QtWorkerHost::progressChanged, this, [this](quint64 p) { bar_->setValue(static_cast<int>(p)); });
  connect(&host_, &QtWorkerHost::stepTextChanged, stepLine_, &QLabel::setText);
  connect(&host_, &QtWorkerHost::captionChanged, this, &SearchProgress::showCaption);
  connect(&host_, &QtWorkerHost::finished, this, &SearchProgress::onWorkerFinished, Qt::QueuedConnection);
  connect(&timer1_, &QTimer::timeout, this, &SearchProgress::tickProgressBar);
  connect(&timer2_, &QTimer::timeout, this, &SearchProgress::showElapsed);
}

SearchProgress::~SearchProgress() {
  leaving_ = true;
  host_.stopAndWait();
  workerHost_.reset();
}

void SearchProgress::buildDetails() {
  details_ = new QWidget(this);
  auto* grid = new QGridLayout(details_);
  int row = 0;
  for (const auto& r : kRows) {
    QLabel* caption = NamedLabel(details_, r.text, (std::string(r.name) + "Caption").c_str());
    QLabel* value = NamedLabel(details_, QString(), r.name);
    captions_[r.caption] = caption;
    captions_[r.value] = value;
    grid->addWidget(caption, row, 0);
    grid->addWidget(value, row++, 1);
  }
  grid->setColumnStretch(1, 1);
  captions_[1034]->setText(clock_.text());
  if (!choice_.sizeCaption.isEmpty()) captions_[1052]->setText(choice_.sizeCaption);
  if (!choice_.foldersCaption.isEmpty()) captions_[1045]->setText(choice_.foldersCaption);
  details_->setVisible(!choice_.detailsHidden);
  layout_->addWidget(details_);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar");
  bar_->setRange(0, 100);
  layout_->addWidget(bar_);
  stepLine_ = NamedLabel(this, QString(), "stepLine");
  layout_->addWidget(stepLine_);
  QLabel* note = NamedLabel(this, kDetailsNote, "detailsNote");
  note->setWordWrap(true);
  layout_->addWidget(note);
  setMinimumWidth(560);
}

void SearchProgress::buildButtons() {
  detailsButton_ = NamedButton(this, "&Hide Progress Details", "detailsButton");
  pause_ = NamedButton(this, "&Pause", "pauseButton");
  stop_ = NamedButton(this, "&Stop", "stopButton");
  back_ = NamedButton(this, "&Back", "backButton");
  layout_->addLayout(ButtonRow({detailsButton_, pause_, stop_, back_}));
  connect(detailsButton_, &QPushButton::clicked, this, &SearchProgress::toggleDetails);
  connect(pause_, &QPushButton::clicked, this, &SearchProgress::togglePause);
  connect(stop_, &QPushButton::clicked, this, &SearchProgress::askStop);
  connect(back_, &QPushButton::clicked, this, &SearchProgress::askBack);
}

void SearchProgress::showEvent(QShowEvent* event) {
  WizardStep::showEvent(event);
  if (started_) return;
  started_ = true;
  QTimer::singleShot(0, this, &SearchProgress::startWorker);
}

void SearchProgress::startWorker() {
  if (!vantor::WorkerAvailable(choice_.kind)) return;
  clock_.start();
  timer2_.start(1000);
  if (vantor::IsNormalScan(choice_.kind)) timer1_.start(2000);
  workerHost_.emplace(session().reader, host_);
  if (choice_.kind == vantor::WorkerKind::kImageCreation) {
    host_.start([this] { imagingOutcome_ = vantor::RunImaging(session().reader, host_, session().imagingRun); });
    return;
  }
  if (choice_.kind == vantor::WorkerKind::kRawRecovery) {
    host_.setOtherFolderAsk([this] { return RawDefaultExtension::ChooseFolder(context_, this).toStdString(); });
    host_.start([this] { rawOutcome_ = vantor::RunRawSearch(session(), host_); });
    return;
  }
  host_.start([this] { report_ = vantor::RunScan(session(), false); });
}

void SearchProgress::onWorkerFinished() {
  if (leaving_) return;
  workerDone_ = true;
  if (asking_) return;
  complete();
}

void SearchProgress::complete() {
  host_.waitForEnd();
  workerHost_.reset();
  stopTimers();
  showElapsed();
  const auto seconds = static_cast<uint64_t>(clock_.seconds());
  if (choice_.kind == vantor::WorkerKind::kRawRecovery) {
    completeRaw(seconds);
    return;
  }
  if (choice_.kind == vantor::WorkerKind::kImageCreation) {
    completeImaging(seconds);
    return;
  }
  if (report_.searchFinished) {
    const vantor::LostSearchLists& lists = session().lostSearch;
    WriteActivity(session(), vantor::SearchReportLines(seconds, lists.folders.size(), lists.boots.size()));
    done(QDialog::Accepted);
    return;
  }
  if (!report_.ok) MessagesInfo::Show(this, QString::fromStdString(report_.failure));
  WriteActivity(session(), vantor::Step3ReportLines(session().catalog, seconds, session().state.exhaustiveSwitch == 1));
  FileDisplay step4(context_, this);
  const int result = runNext(step4);
  if (!context_.exitRequested) done(result == kSwitchToExhaustive ? kSwitchToExhaustive : QDialog::Accepted);
}

// Raw recovery ends here: its report, and the closing box that offers the
// recovery log.
void SearchProgress::completeRaw(uint64_t seconds) {
  const bool aborted = rawOutcome_.stopped;
  vantor::LogRawReport(session(), rawOutcome_, vantor::RawRunOf(session()), seconds, aborted);
  QString text = QString::fromStdString(vantor::RawClosingText(rawOutcome_, aborted));
  for (const std::string& problem : rawOutcome_.problems) text += "\n" + QString::fromStdString(problem);
  if (MessagesInfo::ShowChecked(this, text, kOpenRecoveryHistory)) vantor::OpenLog(session().host(), vantor::kRecoveryLog);
  done(QDialog::Accepted);
}

// Imaging ends here: its report and how it ended.
void SearchProgress::completeImaging(uint64_t seconds) {
  vantor::LogImagingReport(imagingOutcome_, session().imagingRun, seconds);
  QString text = QString::fromStdString(vantor::ImagingClosingText(imagingOutcome_));
  if (!imagingOutcome_.failure.empty()) text += "\n" + QString::fromStdString(imagingOutcome_.failure);
  MessagesInfo::Show(this, text);
  done(QDialog::Accepted);
}

bool SearchProgress::askHeld(const char* text) {
  asking_ = true;
  host_.hold();
  bool yes = QuestionMessage::Ask(this, text);
  asking_ = false;
  return yes;
}

void SearchProgress::togglePause() {
  bool pausing = !clock_.paused();
  pause_->setText(pausing ? "Resume" : "&Pause");
  for (QPushButton* b : {stop_, back_, detailsButton_}) b->setEnabled(!pausing);
  if (pausing) {
    asking_ = true;
    host_.hold();
    asking_ = false;
    if (workerDone_) {
      complete();
      return;
    }
    stopTimers();
    clock_.pause();
  } else {
    clock_.resume();
    host_.release();
    restartTimers(2000);
  }
}

void SearchProgress::askStop() {
  stopTimers();
  bool yes = askHeld(kStopQuestion);
  if (yes) host_.requestStop();
  host_.release();
  if (!yes) restartTimers(2000);
  if (workerDone_) complete();
}

void SearchProgress::askBack() {
  if (clock_.paused()) return;
  bool exhaustive = session().state.exhaustiveSwitch == 1;
  if (!exhaustive) timer1_.stop();
  if (!askHeld(kBackToStep2Question)) {
    if (!exhaustive && vantor::IsNormalScan(choice_.kind) && !workerDone_) timer1_.start(2000);
    host_.release();
    if (workerDone_) complete();
    return;
  }
  leaving_ = true;
  host_.stopAndWait();
  workerHost_.reset();
  stopTimers();
  session().catalog.FreeCatalog();
  session().state.exhaustiveSwitch = 0;
  session().state.stateLoaded = 0;
  done(QDialog::Rejected);
}

void SearchProgress::reject() { askBack(); }

void SearchProgress::toggleDetails() {
  detailsHidden_ = !detailsHidden_;
  details_->setVisible(!detailsHidden_);
  explanation_->setVisible(!detailsHidden_);
  detailsButton_->setText(detailsHidden_ ? "&Show Progress Details" : "&Hide Progress Details");
  if (detailsHidden_) {
    timer2_.stop();
  } else {
    showElapsed();
    timer2_.start(1000);
  }
}

void SearchProgress::stopTimers() {
  timer1_.stop();
  timer2_.stop();
}

void SearchProgress::restartTimers(int period) {
  if (workerDone_ || session().state.exhaustiveSwitch == 1) return;
  if (!detailsHidden_) timer2_.start(period);
  if (vantor::IsNormalScan(choice_.kind)) timer1_.start(period);
}

void SearchProgress::showCaption(int control, const QString& text) {
  if (detailsHidden_) return;
  auto found = captions_.find(control);
  if (found != captions_.end()) found->second->setText(text);
}

void SearchProgress::tickProgressBar() { bar_->setValue(bar_->value() >= 100 ? 0 : bar_->value() + 1); }

void SearchProgress::showElapsed() { captions_[1034]->setText(clock_.text()); }
