// The behaviour settings dialog "動作設定": the headline list and log flags,
// the browser that opens articles with its program paths, the patrol
// interval, the watch list and the notification choice. It is filled from the
// settings file each time it is shown (a path field that would open empty gets
// the installed browser's path) and writes back only on OK.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "core/settings/settings.h"
#include "ui/error_box.h"
#include "ui/program_window.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QShowEvent;
class QSpinBox;
class QToolButton;

namespace quillet {

class BehaviourDialog : public ProgramWindow {
 public:
  explicit BehaviourDialog(QWidget* parent = nullptr);

  // Called after OK has written the settings, with the confirmed patrol
  // interval in minutes (1..6000).
  std::function<void(int minutes)> OnIntervalConfirmed;
  // Called after OK has written the settings, the watch list and the
  // notification choice included.
  std::function<void()> OnWatchConfirmed;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // What the buttons do.
  void Confirm();              // OK: close, write what changed, call the callbacks
  void Cancel();               // Cancel: close, write nothing
  void BrowseSecondBrowser();  // "..." beside secondBrowserEdit_
  void BrowseFirstBrowser();   // "..." beside firstBrowserEdit_
  void LoadSettings();
  void Browse(QLineEdit* edit, const QString& filter);
  // The watch list buttons work on the controls only.
  void AddWatchKeyword();     // 追加 (or Enter in the field): the field's text
  void RemoveWatchKeyword();  // 削除: the selected keyword
  // Why `keyword` (CP932) may not stand in row `row` of the list (-1: a new
  // row), for the user; nullopt when it may.
  std::optional<std::string> WatchKeywordRefusal(const std::string& keyword, int row) const;
  void ShowRefusal(const std::string& why);

  QCheckBox* noAddEmptyCheck_;     // NoAddEmpty
  QCheckBox* saveLogCheck_;        // SaveLog
  QCheckBox* newOnlyCheck_;        // AddNewsOnly
  QCheckBox* newWindowOnlyCheck_;  // NewWindowOnly
  QLabel* browserLabel_;
  QRadioButton* firstBrowserRadio_;  // IESelect true
  QLineEdit* firstBrowserEdit_;      // IEPath
  QToolButton* firstBrowserBrowseButton_;
  QRadioButton* secondBrowserRadio_;  // IESelect false
  QLineEdit* secondBrowserEdit_;      // NNPath
  QToolButton* secondBrowserBrowseButton_;
  QLabel* intervalLabel_;
  // 1..6000; any text may be typed, and when the focus leaves, a number
  // outside the range goes to the nearest bound and anything else reads as 1.
  QSpinBox* intervalSpin_;
  QCheckBox* autostartCheck_;  // the session's autostart entry, not a key
  QLabel* minutesLabel_;
  QFrame* divider_;
  QLabel* watchLabel_;
  QLineEdit* watchKeywordEdit_;
  QPushButton* watchAddButton_;
  QListWidget* watchList_;  // Watch: Keyword0, Keyword1, ...; editable in place
  QPushButton* watchRemoveButton_;
  QCheckBox* watchFoldWidthCheck_;  // Watch: FoldWidth
  QLabel* notifyLabel_;
  QButtonGroup* notifyChoice_;  // Watch: Notify; the ids are settings::Notify values
  QPushButton* okButton_;       // OK (Enter)
  QPushButton* cancelButton_;   // Cancel (Esc)

  settings::Settings loaded_;  // as the settings file held them when the dialog opened
  ErrorBox errors_;
};

}  // namespace quillet
