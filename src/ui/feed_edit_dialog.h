// The small dialog in which a feed of the connection settings gets its name
// and URL. OK is refused, with the reason, while the two cannot be stored.
#pragma once

#include <functional>
#include <string>

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quillet {

class FeedEditDialog : public QDialog {
 public:
  explicit FeedEditDialog(QWidget* parent);

  // Shows the dialog (modal to its parent, without waiting) titled
  // `title`, with the fields filled; an accepted OK hands the name and URL
  // (CP932, without blanks around them) to `confirmed`.
  void Open(const std::string& title, const std::string& name, const std::string& url,
            std::function<void(const std::string& name, const std::string& url)> confirmed);

 private:
  void Confirm();

  QLineEdit* nameEdit_;
  QLineEdit* urlEdit_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  std::string title_;  // also the caption of a refusal
  std::function<void(const std::string&, const std::string&)> confirmed_;
};

}  // namespace quillet
