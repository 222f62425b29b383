#include "gui/PieGraph.h"

#include <QPainter>

namespace {

const QColor kColours[] = {QColor(52, 101, 164), QColor(204, 0, 0),    QColor(78, 154, 6),
                           QColor(245, 121, 0),  QColor(117, 80, 123), QColor(193, 125, 17)};

}  // namespace

PieGraph::PieGraph(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
  setObjectName("pieGraph");
  setMinimumSize(220, 160);
}

void PieGraph::setShares(std::vector<std::pair<QString, int>> shares) {
  shares_ = std::move(shares);
  update();
}

void PieGraph::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int line = fontMetrics().height();
  painter.drawText(QRect(0, 0, width(), line), Qt::AlignHCenter, title_);
  const int side = std::min(width() / 2, height() - line - 4);
  if (side <= 0 || shares_.empty()) return;
  QRect pie(4, line + 4, side - 8, side - 8);
  int angle = 90 * 16;
  for (size_t i = 0; i < shares_.size(); ++i) {
    const QColor& colour = kColours[i % std::size(kColours)];
    int span = -shares_[i].second * 360 * 16 / 100;
    painter.setBrush(colour);
    painter.drawPie(pie, angle, span);
    angle += span;
    QRect box(side + 4, line + 4 + static_cast<int>(i) * (line + 2), line - 2, line - 2);
    painter.drawRect(box);
    painter.drawText(box.right() + 6, box.bottom(), shares_[i].first + QString(" %1%").arg(shares_[i].second));
  }
}
