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

class TForm1;

class TForm2 : public TFreeForm, private ProgressView {
 public:
  // The run fills `form1`'s headline list and gives its fetch button back.
  explicit TForm2(TForm1& form1, QWidget* parent = nullptr);
  ~TForm2() override;

  TFetchRun& FetchRun() { return run_; }
  // True while the box of an error that ended a run is open.
  bool ShowingRunError() const { return errors_.Showing(); }

  // The run itself (from the timer), Cancel and Skip.
  void Timer1Timer();
  void BitBtn1Click();
  void BitBtn2Click();

  // Controls, named as in the window's description.
  QLabel* Label1;
  QProgressBar* ProgressBar1;
  QLabel* Label2;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // UpdateProgress: the labels and the bar, repainted at once.
  void ShowProgress(const std::string& status, const std::string& amount, int maximum,
                    int position) override;
  void RunEnded();

  TForm1& form1_;
  ErrorBox errors_;
  TFetchRun run_;
};

}  // namespace quillet

using quillet::TForm2;
