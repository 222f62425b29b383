// Step 1 of file-system recovery: the device tree (the virtual disk under
// "Physical Devices", or the logical drives, the disks and the image choice) and
// the selected device's information list. Its twins ImageRecovery and
// RawRecovery differ only in the mode they set and the texts they show and log.
#pragma once

#include <vector>

#include "disk/DeviceEnumeration.h"
#include "gui/WizardStep.h"
#include "platform/ConfigStore.h"

class PieGraph;
class QTreeWidget;
class QTreeWidgetItem;

// What a Step 1 sets on Next, and the name that its title and log line show.
struct Step1Mode {
  QString name;
  vantor::RecoveryMode mode = vantor::RecoveryMode::kFileSystem;
  int32_t imaging = 0;
  bool resetsBadSectorPolicy = false;
};

class DesktopRecovery : public WizardStep {
  Q_OBJECT
 public:
  DesktopRecovery(WizardContext& context, QWidget* parent);

  // The information list's lines as shown.
  QStringList informationLines() const;

 protected:
  DesktopRecovery(WizardContext& context, QWidget* parent, Step1Mode mode);

 private:
  void fillTree();
  void addVirtualDisk(QTreeWidgetItem* root);
  void addDevices(QTreeWidgetItem* root);
  void showInformation(QTreeWidgetItem* item);
  void setInformation(const QString& heading, const std::vector<std::string>& lines);
  void chooseImage(QTreeWidgetItem* branch);
  void next();
  // The message for a branch item that is not a device, or empty.
  QString validationMessage(const QString& text) const;
  void selectDevice(const QString& text);

  Step1Mode mode_;
  vantor::ConfigStore store_;
  vantor::DeviceList devices_;
  QTreeWidget* tree_ = nullptr;
  QTreeWidget* information_ = nullptr;
  PieGraph* pie_ = nullptr;
};
