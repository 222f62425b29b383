// Step 2: the file systems of the chosen device, the selected one's panel values,
// the "Partitions" pie graph and the "Search Exhaustive" choice. Next validates the
// panel's values, logs them, reads the volume's boot values and opens Step 3.
#pragma once

#include "gui/WizardStep.h"

class PieGraph;
class QCheckBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class PartitionInfo : public WizardStep {
  Q_OBJECT
 public:
  PartitionInfo(WizardContext& context, QWidget* parent);

 private:
  void listPartitions();
  void showPanel(QTreeWidgetItem* item);
  void showPartition(size_t index);
  void showDisk();
  void next();
  // The file system, start and end from the panel; false (after its message) when invalid.
  bool takeVolume();
  std::vector<std::string> logLines();
  void openNextStep();
  // Step 3 until Step 4 no longer asks for the exhaustive scan.
  void runScanSteps();
  void loadState();
  bool handleCommand(int id) override;
  bool isLogicalDrive() const;
  uint64_t diskBytes() const;

  QTreeWidget* tree_;
  QLabel* labels_[4];
  QLabel* values_[4];
  QCheckBox* searchExhaustive_;
  PieGraph* pie_;
  bool diskShown_ = true;
};
