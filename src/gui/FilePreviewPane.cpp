#include "gui/FilePreviewPane.h"

#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>

#include "save/FilePreview.h"
#include "session/Session.h"

FilePreviewPane::FilePreviewPane(QWidget* parent) : QStackedWidget(parent) {
  setObjectName("preview");
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("previewText");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  image_ = new QLabel(this);
  image_->setObjectName("previewImage");
  image_->setAlignment(Qt::AlignCenter);
  addWidget(text_);
  addWidget(image_);
}

void FilePreviewPane::showFile(vantor::Session& session, const vantor::FileRecord* file) {
  text_->clear();
  image_->clear();
  setCurrentWidget(text_);
  if (file == nullptr) return;
  std::vector<uint8_t> start = vantor::ReadFileStart(session, *file, vantor::kPreviewBytes);
  vantor::PreviewKind kind = vantor::PreviewKindOf(start);
  if (kind == vantor::PreviewKind::kImage) {
    if (file->size() > start.size()) start = vantor::ReadFileStart(session, *file, vantor::kPreviewImageBytes);
    QImage picture;
    if (picture.loadFromData(start.data(), static_cast<int>(start.size()))) {
      const QSize room = size().isEmpty() ? picture.size() : size().boundedTo(picture.size());
      image_->setPixmap(QPixmap::fromImage(picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
      setCurrentWidget(image_);
      return;
    }
    kind = vantor::PreviewKind::kHex;  // a picture that does not decode: its bytes
  }
  const bool text = kind == vantor::PreviewKind::kText;
  text_->setFont(text ? QFont() : QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setPlainText(QString::fromStdString(text ? vantor::TextPreview(start) : vantor::HexPreview(start)));
}
