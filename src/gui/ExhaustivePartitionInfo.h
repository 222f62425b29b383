// Step 2 (c): the file systems the lost-partition search found, "File System N -
// NAME", with the chosen one's name, size, start and end. Next scans the chosen
// one (a second Step 3, then Step 4); Back discards the search.
#pragma once

#include "gui/WizardStep.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class ExhaustivePartitionInfo : public WizardStep {
  Q_OBJECT
 public:
  ExhaustivePartitionInfo(WizardContext& context, QWidget* parent);

 public slots:
  void reject() override;

 private:
  void describe(QTreeWidgetItem* item);
  bool handleCommand(int id) override;
  void next();

  QTreeWidget* tree_;
  QLabel* values_[4];
  QPushButton* next_;
};
