// The fetch progress dialog: shows what the fetch run is doing, offers Cancel
// and Skip, and runs the fetch from its one-shot timer each time it is shown.
#pragma once

#include <string>

#include "net/fetch_run.h"
#include "ui/error_box.h"
#include "ui/program_window.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace quillet {

class MainWindow;

class FetchProgressDialog : public ProgramWindow, private ProgressView {
 public:
  // The run fills `mainWindow`'s headline list and gives its fetch button
  // back; the dialog belongs to that window and opens above it.
  explicit FetchProgressDialog(MainWindow& mainWindow);
  ~FetchProgressDialog() override;

  FetchRun& Runner() { return run_; }
  // True while the box of an error that ended a run is open.
  bool ShowingRunError() const { return errors_.Showing(); }

  // Shows the dialog, which starts a run. A run the user asked for takes the
  // focus; one the patrol timer started leaves it where the user is typing.
  void ShowForRun(bool takeFocus);

  // Cancel: the run ends after the current site.
  void Cancel();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The run itself (from the timer), and Skip: only the current download ends.
  void RunFetch();
  void Skip();
  // The labels and the bar, painted when the event loop next paints.
  void ShowProgress(const std::string& status, const std::string& amount, int maximum,
                    int position) override;
  void RunEnded();

  QLabel* statusLabel_;
  QProgressBar* progressBar_;
  QLabel* amountLabel_;
  QPushButton* cancelButton_;
  QPushButton* skipButton_;
  QTimer* startTimer_;
  MainWindow& mainWindow_;
  ErrorBox errors_;
  FetchRun run_;
};

}  // namespace quillet
