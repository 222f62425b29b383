#include "gui/ImageCreation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>

#include "disk/DeviceEnumeration.h"
#include "gui/ActivityLog.h"
#include "gui/Captions.h"
#include "gui/DialogParts.h"
#include "gui/MessagesInfo.h"
#include "gui/QuestionMessage.h"
#include "gui/SearchProgress.h"
#include "imaging/ImageCreation.h"
#include "session/Session.h"

namespace {

constexpr const char* kDiskKind = "Disk";
constexpr const char* kImageKind = "Image File";
constexpr const char* kPanelCaptions[] = {"Model Number       :", "Total Heads           :", "Sector Per Cluster  :",
                                          "Disk Size                :"};

}  // namespace

ImageCreation::ImageCreation(WizardContext& context, QWidget* parent)
    : WizardStep(context, parent), store_(vantor::ConfigStore::Load()) {
  setObjectName("imageCreation");
  setWindowTitle(QString(kMainCaption) + " - Step 2 (b)");
  layout_->addWidget(NamedLabel(this, "Step 2 (b) : Select where the image goes.", "stepTitle"));
  auto* kindRow = new QHBoxLayout;
  kindRow->addWidget(NamedLabel(this, "Image Creation  Type :", "kindCaption"));
  kind_ = new QComboBox(this);
  kind_->setObjectName("kindList");
  kind_->addItems({kDiskKind, kImageKind});
  kind_->setCurrentText(kImageKind);
  kindRow->addWidget(kind_, 1);
  layout_->addLayout(kindRow);
  destination_ = NamedLabel(this, QString(), "destinationCaption");
  layout_->addWidget(destination_);

  imageControls_ = new QWidget(this);
  auto* imageLayout = new QHBoxLayout(imageControls_);
  path_ = new QLineEdit(imageControls_);
  path_->setObjectName("pathField");
  path_->setMinimumWidth(360);
  QPushButton* browse = NamedButton(imageControls_, "&Browse", "browseButton");
  multifile_ = new QCheckBox("Multifile", imageControls_);
  multifile_->setObjectName("multifile");
  imageLayout->addWidget(path_, 1);
  imageLayout->addWidget(browse);
  imageLayout->addWidget(multifile_);
  layout_->addWidget(imageControls_);

  diskControls_ = new QWidget(this);
  auto* diskLayout = new QHBoxLayout(diskControls_);
  disks_ = new QListWidget(diskControls_);
  disks_->setObjectName("diskList");
  disks_->setMaximumWidth(140);
  for (const vantor::DiskEntry& disk : vantor::ListStoredDisks(store_))
    disks_->addItem(QString::fromStdString(disk.itemText));
  diskLayout->addWidget(disks_);
  auto* panel = new QGridLayout;
  for (int i = 0; i < 4; ++i) {
    panel->addWidget(NamedLabel(diskControls_, kPanelCaptions[i], "panelCaption"), i, 0);
    values_[i] = NamedLabel(diskControls_, QString(), QString("panelValue%1").arg(i).toLatin1().constData());
    panel->addWidget(values_[i], i, 1);
  }
  diskLayout->addLayout(panel, 1);
  layout_->addWidget(diskControls_);

  QPushButton* back = NamedButton(this, "Back", "backButton");
  QPushButton* nextButton = NamedButton(this, "Next", "nextButton");
  layout_->addLayout(ButtonRow({back, nextButton}));
  connect(kind_, &QComboBox::currentTextChanged, this, &ImageCreation::showTargetKind);
  connect(disks_, &QListWidget::currentRowChanged, this, &ImageCreation::showDisk);
  connect(browse, &QPushButton::clicked, this, &ImageCreation::browse);
  connect(back, &QPushButton::clicked, this, &QDialog::reject);
  connect(nextButton, &QPushButton::clicked, this, &ImageCreation::next);
  showTargetKind();
  setMinimumWidth(560);
}

void ImageCreation::showTargetKind() {
  const bool disk = kind_->currentText() == kDiskKind;
  destination_->setText(disk ? "Destination Disk : " : "Destination Image : ");
  imageControls_->setVisible(!disk);
  diskControls_->setVisible(disk);
}

void ImageCreation::showDisk() {
  QListWidgetItem* item = disks_->currentItem();
  const std::string disk = item != nullptr ? item->text().toStdString() : std::string();
  const QString texts[] = {stored(disk, "Model"), stored(disk, "Head"), stored(disk, "SectorsPerTrack"),
                           QString::number(stored(disk, "Size").toULongLong() / 1048576) + " MB"};
  for (int i = 0; i < 4; ++i) values_[i]->setText(item != nullptr ? texts[i] : QString());
}

QString ImageCreation::stored(const std::string& disk, const char* key) const {
  const std::string place = key != nullptr ? std::string(vantor::kDeviceStoreKey) + "\\" + key : vantor::kDeviceStoreKey;
  return QString::fromStdString(store_.get(place, disk).value_or(""));
}

void ImageCreation::browse() {
  QString folder = context_.chooser.chooseFolder(this, "Select the folder of the image");
  if (folder.isEmpty()) return;
  path_->setText(folder + (folder.endsWith('/') ? "" : "/") + "Image.img");
}

void ImageCreation::next() {
  WriteActivity(session(), {"", "Step 2 (b):", "-------"});
  if (!(kind_->currentText() == kDiskKind ? takeDiskTarget() : takeImageTarget())) return;
  SearchProgress step3(context_, this);
  runNext(step3);
}

bool ImageCreation::takeImageTarget() {
  vantor::ImagingRun& run = session().imagingRun;
  const vantor::RecoveryState& state = session().state;
  run = {};
  run.start = state.startSector;
  run.end = state.endSector;
  run.imagePath = path_->text().toStdString();
  run.split = multifile_->isChecked();
  run.sourceIdentity = vantor::ImagingSourceIdentity(session().state, session().reader);
  if (run.imagePath.size() < 5 || !path_->text().endsWith(".img")) {
    MessagesInfo::Show(this, "The image's name must end in .img, as Image.img.");
    return false;
  }
  if (std::string problem = vantor::ImageTargetProblem(session().reader, run); !problem.empty()) {
    MessagesInfo::Show(this, QString::fromStdString(problem));
    return false;
  }
  WriteActivity(session(), vantor::ImagingChoiceLines(run));
  return true;
}

bool ImageCreation::takeDiskTarget() {
  QListWidgetItem* item = disks_->currentItem();
  if (item == nullptr) {
    MessagesInfo::Show(this, "Select the disk that receives the image.");
    return false;
  }
  const std::string name = item->text().toStdString();
  const std::string device = stored(name, nullptr).toStdString();
  const uint64_t size = stored(name, "Size").toULongLong();
  vantor::ImagingRun& run = session().imagingRun;
  run = {};
  run.start = session().state.startSector;
  run.end = session().state.endSector;
  run.toDisk = true;
  run.diskPath = "\\\\.\\PhysicalDrive" + name.substr(4);
  run.diskText = name + " - " + values_[0]->text().toStdString();
  if (std::string problem = vantor::DiskTargetProblem(session().reader, device, size, run); !problem.empty()) {
    MessagesInfo::Show(this, QString::fromStdString(problem));
    return false;
  }
  std::vector<std::string> lines = vantor::ImagingChoiceLines(run);
  lines.back() = "Destination Disk : " + name;
  for (int i = 0; i < 4; ++i)
    lines.push_back(QString(kPanelCaptions[i]).simplified().replace(" :", " : ").toStdString() +
                    values_[i]->text().toStdString());
  WriteActivity(session(), lines);
  return QuestionMessage::Ask(this, QString::fromStdString("All data will be lost in Target Disk -\r\n" + run.diskText +
                                                           "\r\n\r\nAre you sure you want to continue ?\r\n"));
}
