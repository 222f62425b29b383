// Step 4: the folder tree of what the scan found (built on a worker while the
// step is up), the list of the chosen folder's subfolders and files with their
// seven columns (sorted by a click on a heading), a preview of the chosen file,
// check boxes through which the user selects what to save, rename, Open from the
// list's menu, the file search, the saving filter, "Recover Selected" and Back.
#pragma once

#include <QTimer>
#include <optional>
#include <unordered_map>
#include <vector>

#include "browser/FileList.h"
#include "gui/QtWorkerHost.h"
#include "gui/WizardStep.h"

class FilePreviewPane;
class QLabel;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

class FileDisplay : public WizardStep {
  Q_OBJECT
 public:
  FileDisplay(WizardContext& context, QWidget* parent);
  ~FileDisplay() override;

  // The tree item that shows tree node `id`, or null.
  QTreeWidgetItem* treeItem(uint64_t id) const;

 public slots:
  void reject() override;

 protected:
  bool handleCommand(int id) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildList();
  void buildButtons();
  void showSummary();
  void startTreeBuilding();
  void showTree();
  // Step 4's "Exhaustive Recovery": on Yes, closes Step 4 for a new Step 3.
  void switchToExhaustive();
  void chooseFolder(QTreeWidgetItem* item);
  void fillList(uint32_t key);
  void onTreeCheck(QTreeWidgetItem* item);
  void onListChange(QTreeWidgetItem* row, int column);
  void syncTreeChecks(QTreeWidgetItem* item);
  void syncListChecks();
  void check(uint64_t node, bool checked);
  void rename(QTreeWidgetItem* row);
  void openRow(const QPoint& position);
  // Shows tree item `id`: its parent expanded, the item chosen, its list filled.
  void showFolder(uint64_t id);
  void searchFiles();
  void recoverSelected();
  void goBack();

  QtWorkerHost host_;
  // Stands the worker's host in for the session's while the worker runs.
  std::optional<vantor::ScopedHost> workerHost_;
  QTreeWidget* tree_ = nullptr;
  QTreeWidget* list_ = nullptr;
  FilePreviewPane* preview_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* bar_ = nullptr;
  std::unordered_map<uint64_t, QTreeWidgetItem*> items_;
  std::vector<vantor::FileListRow> rows_;
  uint64_t currentNode_ = 0;
  bool started_ = false;
  bool leaving_ = false;  // Back or the switch ended the step
  bool updating_ = false;
};
