// Step 2 (a), "Enter Range to search for more Partitions": the sector range and
// the file system to search for, prefilled from Step 2's choice. Next checks
// them, logs them and runs the lost-partition search (Step 3), then lists what
// it found (Step 2 (c)).
#pragma once

#include "gui/WizardStep.h"

class QComboBox;
class QLineEdit;
class QTreeWidgetItem;

class PartitionRange : public WizardStep {
  Q_OBJECT
 public:
  PartitionRange(WizardContext& context, QWidget* parent);

 private:
  void next();

  QLineEdit* start_;
  QLineEdit* end_;
  QComboBox* fileSystem_;
  QTreeWidgetItem* partitionItem_;
  // Step 2 chose no file system (the whole disk): the partition item is named
  // after the one chosen here.
  bool relabel_ = false;
};
