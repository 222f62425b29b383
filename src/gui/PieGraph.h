// A pie graph of whole-percent shares with a legend, for the used and free space
// of a drive and the partitions of a disk.
#pragma once

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

class PieGraph : public QWidget {
  Q_OBJECT
 public:
  explicit PieGraph(const QString& title, QWidget* parent);
  void setShares(std::vector<std::pair<QString, int>> shares);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString title_;
  std::vector<std::pair<QString, int>> shares_;
};
