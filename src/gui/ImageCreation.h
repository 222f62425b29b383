// Step 2 (b) of Disk Imaging: the target, an image file (one, or pieces with
// "Multifile") or another disk with its panel. Next checks the target's room,
// logs the choice, asks before a disk is overwritten, and runs Step 3.
#pragma once

#include "gui/WizardStep.h"
#include "platform/ConfigStore.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

class ImageCreation : public WizardStep {
  Q_OBJECT
 public:
  ImageCreation(WizardContext& context, QWidget* parent);

 private:
  void showTargetKind();
  void showDisk();
  void browse();
  void next();
  bool takeImageTarget();
  bool takeDiskTarget();
  // A value of the disk `disk` ("DiskN") in the device store: its device
  // without a key, else the key's ("Model", "Size", ...).
  QString stored(const std::string& disk, const char* key) const;

  vantor::ConfigStore store_;
  QComboBox* kind_;
  QLabel* destination_;
  QWidget* imageControls_;
  QLineEdit* path_;
  QCheckBox* multifile_;
  QWidget* diskControls_;
  QListWidget* disks_;
  QLabel* values_[4];
};
