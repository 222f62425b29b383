#include "gui/FileSearchDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTreeWidget>
#include <limits>

#include "gui/DialogParts.h"
#include "gui/OpenFoundFile.h"
#include "gui/QuestionMessage.h"
#include "session/Session.h"

namespace {

constexpr int kHitRole = Qt::UserRole;
constexpr const char* kColumns[] = {"File Name",    "Type",          "Path",          "File Size",
                                    "Created Date", "Modified Date", "Last Accessed", "ID"};

uint64_t SizeBound(const QLineEdit* field) {
  if (field->text().isEmpty()) return 0;
  bool ok = false;
  const qulonglong value = field->text().toULongLong(&ok);
  return ok ? value : std::numeric_limits<uint64_t>::max();
}

vantor::CalendarDate DateOf(QComboBox* const (&combos)[3]) {
  return {1970 + combos[2]->currentIndex(), 1 + combos[1]->currentIndex(), 1 + combos[0]->currentIndex()};
}

}  // namespace

FILE_SEARCH::FILE_SEARCH(vantor::Session& session, std::function<void(uint64_t)> showFolder, QWidget* parent)
    : QDialog(parent), session_(session), showFolder_(std::move(showFolder)), host_(this) {
  setObjectName("fileSearch");
  setWindowTitle("Search File(s) ");
  auto* layout = new QVBoxLayout(this);
  setLayout(layout);
  buildFilters();
  buildResults();
  drain_.setInterval(100);
  connect(&drain_, &QTimer::timeout, this, &FILE_SEARCH::takeHits);
  connect(&host_, &QtWorkerHost::finished, this, &FILE_SEARCH::searchEnded, Qt::QueuedConnection);
  resize(1300, 640);
}

FILE_SEARCH::~FILE_SEARCH() { host_.stopAndWait(); }

void FILE_SEARCH::buildFilters() {
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Enter Search String ", this), 0, 0);
  text_ = new QLineEdit(this);
  text_->setObjectName("searchText");
  text_->setPlaceholderText("Example - *.doc");
  grid->addWidget(text_, 0, 1, 1, 4);

  type_ = new QCheckBox("Type", this);
  type_->setObjectName("typeCheck");
  type_->setChecked(true);
  grid->addWidget(type_, 1, 0);
  const char* deleted[][2] = {{"Include Deleted File(s)", "includeDeleted"},
                              {"Exclude Deleted File(s)", "excludeDeleted"},
                              {"Only Deleted File(s)", "onlyDeleted"}};
  for (int i = 0; i < 3; ++i) {
    deleted_[i] = new QRadioButton(deleted[i][0], this);
    deleted_[i]->setObjectName(deleted[i][1]);
    grid->addWidget(deleted_[i], 1, 1 + i);
  }
  deleted_[0]->setChecked(true);
  connect(type_, &QCheckBox::toggled, this, [this](bool on) {
    for (QRadioButton* radio : deleted_) radio->setEnabled(on);
    if (on) deleted_[0]->setChecked(true);
  });

  date_ = new QCheckBox("Date", this);
  date_->setObjectName("dateCheck");
  grid->addWidget(date_, 2, 0);
  dateKind_ = new QComboBox(this);
  dateKind_->setObjectName("dateKind");
  dateKind_->addItems({"Created Date", "Modified Date", "Accessed Date"});
  grid->addWidget(dateKind_, 2, 1);
  auto* dates = new QHBoxLayout;
  dates->addWidget(new QLabel("Date ( DD - MM - YYY)  ( Between )", this));
  const char* names[2][3] = {{"fromDay", "fromMonth", "fromYear"}, {"toDay", "toMonth", "toYear"}};
  for (int side = 0; side < 2; ++side) {
    QComboBox** combos = side == 0 ? from_ : to_;
    combos[0] = NumberCombo(this, 1, 31, names[side][0]);
    combos[1] = NumberCombo(this, 1, 12, names[side][1]);
    combos[2] = NumberCombo(this, 1970, 2030, names[side][2]);
    for (int i = 0; i < 3; ++i) dates->addWidget(combos[i]);
    if (side == 0) dates->addWidget(new QLabel("-", this));
  }
  to_[0]->setCurrentIndex(30);
  to_[1]->setCurrentIndex(11);
  to_[2]->setCurrentIndex(60);
  grid->addLayout(dates, 2, 2, 1, 3);
  connect(date_, &QCheckBox::toggled, this, &FILE_SEARCH::enableDate);

  size_ = new QCheckBox("Size between : ", this);
  size_->setObjectName("sizeCheck");
  grid->addWidget(size_, 3, 0);
  auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]{0,20}"), this);
  low_ = new QLineEdit("0", this);
  low_->setObjectName("sizeLow");
  high_ = new QLineEdit("2", this);
  high_->setObjectName("sizeHigh");
  for (QLineEdit* field : {low_, high_}) field->setValidator(digits);
  unit_ = new QComboBox(this);
  unit_->setObjectName("sizeUnit");
  unit_->addItems({"Bytes", "KB", "MB", "GB"});
  unit_->setCurrentIndex(3);
  grid->addWidget(low_, 3, 1);
  grid->addWidget(high_, 3, 2);
  grid->addWidget(unit_, 3, 3);
  connect(size_, &QCheckBox::toggled, this, &FILE_SEARCH::enableSize);
  enableDate(false);
  enableSize(false);

  start_ = NamedButton(this, "&Start Search", "startButton");
  cancel_ = NamedButton(this, "&Cancel", "cancelButton");
  connect(start_, &QPushButton::clicked, this, &FILE_SEARCH::startOrStop);
  connect(cancel_, &QPushButton::clicked, this, &FILE_SEARCH::reject);
  grid->addWidget(start_, 0, 5);
  grid->addWidget(cancel_, 1, 5);
  static_cast<QVBoxLayout*>(layout())->addLayout(grid);
}

void FILE_SEARCH::buildResults() {
  list_ = new QTreeWidget(this);
  list_->setObjectName("resultList");
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setStyleSheet("QTreeView::item { border: 1px solid #d0d0d0; }");
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  QStringList headings;
  for (const char* heading : kColumns) headings << heading;
  list_->setHeaderLabels(headings);
  for (int i = 0; i < 8; ++i) list_->setColumnWidth(i, i == 2 ? 350 : 150);
  connect(list_, &QTreeWidget::itemChanged, this, &FILE_SEARCH::onRowChange);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) { openRow(row); });
  connect(list_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QTreeWidgetItem* row = list_->itemAt(at);
    if (row == nullptr) return;
    QMenu menu(this);
    menu.setObjectName("resultMenu");
    QAction* open = menu.addAction("&Open");
    if (menu.exec(list_->viewport()->mapToGlobal(at)) == open) openRow(row);
  });
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  layout->addWidget(list_, 1);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(new QLabel("Search String Found Count : ", this));
  count_ = NamedLabel(this, "0", "foundCount");
  bottom->addWidget(count_);
  bottom->addStretch();
  wait_ = NamedLabel(this, "Please wait...", "pleaseWait");
  wait_->hide();
  bottom->addWidget(wait_);
  all_ = new QCheckBox("Select/Unselect All", this);
  all_->setObjectName("selectAllCheck");
  connect(all_, &QCheckBox::clicked, this, &FILE_SEARCH::selectAll);
  bottom->addWidget(all_);
  layout->addLayout(bottom);
}

void FILE_SEARCH::enableDate(bool on) {
  dateKind_->setEnabled(on);
  for (QComboBox* combo : from_) combo->setEnabled(on);
  for (QComboBox* combo : to_) combo->setEnabled(on);
  if (on) dateKind_->setCurrentIndex(0);
}

void FILE_SEARCH::enableSize(bool on) {
  for (QWidget* control : std::initializer_list<QWidget*>{low_, high_, unit_}) control->setEnabled(on);
  if (on) unit_->setCurrentIndex(0);
}

vantor::SearchQuery FILE_SEARCH::query() const {
  vantor::SearchQuery q;
  q.pattern = text_->text().toUpper().toStdU16String();
  q.deleted = deleted_[1]->isChecked() ? vantor::kExcludeDeleted
              : deleted_[2]->isChecked() ? vantor::kDeletedOnly
                                         : vantor::kIncludeDeleted;
  q.byDate = date_->isChecked();
  q.dateKind = static_cast<vantor::SearchDateKind>(dateKind_->currentIndex());
  q.from = DateOf(from_);
  q.to = DateOf(to_);
  q.bySize = size_->isChecked();
  q.low = SizeBound(low_);
  q.high = SizeBound(high_);
  q.unit = vantor::kSizeUnits[std::clamp(unit_->currentIndex(), 0, 3)];
  return q;
}

void FILE_SEARCH::startOrStop() {
  if (!running_) {
    startSearch();
    return;
  }
  host_.hold();
  // A search that ended while it was held or the question was up has been
  // taken in already.
  if (!running_ || !QuestionMessage::Ask(this, "Are you sure you want to stop searching ?") || !running_) {
    host_.release();
    return;
  }
  // The worker ends at its next gate; the end's signal then takes it in. Start
  // waits for that, so that no second worker runs beside the first.
  all_->setEnabled(true);
  start_->setText("&Start Search");
  start_->setEnabled(false);
  host_.requestStop();
  host_.release();
}

void FILE_SEARCH::startSearch() {
  count_->setText("0");
  start_->setText("&Stop Search");
  list_->clear();
  hits_.clear();
  all_->setChecked(false);
  all_->setEnabled(false);
  running_ = true;
  vantor::BrowserContext context{session_.state, session_.catalog, session_.folderTree, host_};
  host_.start([this, context, q = query()] {
    vantor::RunFileSearch(context, q, '\\', [this](vantor::SearchHit&& hit) {
      QMutexLocker lock(&mutex_);
      arrived_.push_back(std::move(hit));
    });
  });
  drain_.start();
}

void FILE_SEARCH::takeHits() {
  std::vector<vantor::SearchHit> batch;
  {
    QMutexLocker lock(&mutex_);
    batch.swap(arrived_);
  }
  if (batch.empty()) return;
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
  QList<QTreeWidgetItem*> rows;
  rows.reserve(static_cast<qsizetype>(batch.size()));
  for (vantor::SearchHit& hit : batch) {
    const vantor::FileListRow& r = hit.row;
    auto* row = new QTreeWidgetItem(QStringList{QString::fromStdString(r.name), QString::fromStdString(r.type),
                                               QString::fromStdString(hit.path), QString::fromStdString(r.size),
                                               QString::fromStdString(r.created), QString::fromStdString(r.modified),
                                               QString::fromStdString(r.accessed), QString::fromStdString(r.id)});
    row->setIcon(0, r.folder != nullptr ? folderIcon : fileIcon);
    row->setData(0, kHitRole, QVariant::fromValue<qulonglong>(hits_.size()));
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
    for (int c = 0; c < 8; ++c) row->setForeground(c, r.deleted ? QColor(255, 0, 0) : QColor(0, 0, 0));
    hits_.push_back(std::move(hit));
    rows.prepend(row);  // the last hit stands first
  }
  updating_ = true;
  list_->insertTopLevelItems(0, rows);
  updating_ = false;
  count_->setText(QString::number(hits_.size()));
}

void FILE_SEARCH::searchEnded() {
  host_.waitForEnd();
  drain_.stop();
  takeHits();
  if (selecting_) {
    selecting_ = false;
    updating_ = true;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) list_->topLevelItem(i)->setCheckState(0, all_->checkState());
    updating_ = false;
    wait_->hide();
    for (QWidget* control : std::initializer_list<QWidget*>{start_, cancel_, all_}) control->setEnabled(true);
    return;
  }
  running_ = false;
  all_->setEnabled(true);
  start_->setText("&Start Search");
  start_->setEnabled(true);
}

void FILE_SEARCH::onRowChange(QTreeWidgetItem* row, int column) {
  if (updating_ || column != 0) return;
  const vantor::SearchHit& hit = hits_[row->data(0, kHitRole).toULongLong()];
  vantor::TickSearchHit(session_, hit, row->checkState(0) == Qt::Checked);
}

void FILE_SEARCH::selectAll(bool checked) {
  selecting_ = true;
  wait_->show();
  for (QWidget* control : std::initializer_list<QWidget*>{start_, cancel_, all_}) control->setEnabled(false);
  vantor::BrowserContext context{session_.state, session_.catalog, session_.folderTree, host_};
  host_.start([this, context, checked] {
    for (const vantor::SearchHit& hit : hits_) vantor::TickSearchHit(context, hit, checked);
  });
}

void FILE_SEARCH::openRow(QTreeWidgetItem* row) {
  const vantor::SearchHit& hit = hits_[row->data(0, kHitRole).toULongLong()];
  if (hit.row.folder != nullptr) {
    showFolder_(hit.row.folder->treeItem);
  } else {
    OpenFoundFile(this, session_, *hit.row.file);
  }
}

void FILE_SEARCH::reject() {
  if (selecting_) return;
  host_.stopAndWait();
  drain_.stop();
  QDialog::reject();
}
