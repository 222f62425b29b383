// The saving filter's dialog ("&Saving Using Filter", F6 in Step 4): which files
// a save takes (selected, all, or all but the selected), deleted or not, three
// date ranges, an extension list, and where a FAT file's clusters come from.
// Radio buttons and dates take effect at once, added extensions on Apply;
// Cancel (and closing the window) puts everything back.
#pragma once

#include <QDialog>

#include "save/FilterSettings.h"

class QComboBox;
class QLineEdit;
class QListWidget;

class Settings : public QDialog {
  Q_OBJECT
 public:
  Settings(vantor::SavingFilter& filter, QWidget* parent);

 public slots:
  void accept() override;
  void reject() override;

 private:
  QLayout* radioGroup(const char* title, std::initializer_list<std::pair<const char*, const char*>> buttons,
                      int32_t& field);
  QLayout* dateRanges();
  QLayout* extensionList();
  void showDates();
  void storeDates();
  void addExtension();
  void refillList();

  vantor::FilterSettingsEdit edit_;
  QComboBox* dateKind_ = nullptr;
  QComboBox* dates_[6] = {};
  QLineEdit* extension_ = nullptr;
  QListWidget* list_ = nullptr;
  bool loading_ = false;
};
