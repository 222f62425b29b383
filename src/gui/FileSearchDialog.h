// Step 4's file search ("Search File(s) "): a search string with the deleted,
// date and size filters, a worker that lists the hits (the newest on top), ticks
// that tick the same folder or file in Step 4, "Select/Unselect All" on the
// worker, a double click that shows a folder in Step 4 or opens a file, and Stop
// with its question.
#pragma once

#include <QDialog>
#include <QMutex>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

#include "browser/FileSearch.h"
#include "gui/QtWorkerHost.h"

namespace vantor {
class Session;
}
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

class FILE_SEARCH : public QDialog {
  Q_OBJECT
 public:
  // `showFolder` shows a tree item in Step 4 (expanded, chosen, its list filled).
  FILE_SEARCH(vantor::Session& session, std::function<void(uint64_t)> showFolder, QWidget* parent);
  ~FILE_SEARCH() override;

 public slots:
  void reject() override;

 private:
  void buildFilters();
  void buildResults();
  void startOrStop();
  void startSearch();
  vantor::SearchQuery query() const;
  void takeHits();
  void searchEnded();
  void onRowChange(QTreeWidgetItem* row, int column);
  void selectAll(bool checked);
  void openRow(QTreeWidgetItem* row);
  void enableDate(bool on);
  void enableSize(bool on);

  vantor::Session& session_;
  std::function<void(uint64_t)> showFolder_;
  QtWorkerHost host_;
  QTimer drain_;
  QMutex mutex_;
  std::vector<vantor::SearchHit> arrived_;  // found by the worker, not yet shown
  std::deque<vantor::SearchHit> hits_;      // shown: row data is the position here
  bool running_ = false;
  bool selecting_ = false;
  bool updating_ = false;

  QLineEdit* text_ = nullptr;
  QCheckBox* type_ = nullptr;
  QRadioButton* deleted_[3] = {};
  QCheckBox* date_ = nullptr;
  QComboBox* dateKind_ = nullptr;
  QComboBox* from_[3] = {};
  QComboBox* to_[3] = {};
  QCheckBox* size_ = nullptr;
  QLineEdit* low_ = nullptr;
  QLineEdit* high_ = nullptr;
  QComboBox* unit_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLabel* count_ = nullptr;
  QCheckBox* all_ = nullptr;
  QLabel* wait_ = nullptr;
};
