// The small dialog in which a feed of the connection settings gets its name
// and URL. Given a page's URL, フィードを探す offers the feeds the page
// announces. OK is refused, with the reason, while the two cannot be stored
// or another feed of the list has the URL.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "core/settings/feed_list.h"
#include "ui/page_trial_session.h"

class QLineEdit;
class QMenu;
class QPushButton;

namespace quillet {

class FeedEditDialog : public QDialog {
 public:
  explicit FeedEditDialog(QWidget* parent);

  // Shows the dialog (modal to its parent, without waiting) titled
  // `title`, with the fields filled; an accepted OK hands the name and URL
  // (CP932, without blanks around them) to `confirmed`. `others` are the
  // list's other feeds, whose URLs this one may not have.
  void Open(const std::string& title, const std::string& name, const std::string& url,
            std::vector<settings::FeedSource> others,
            std::function<void(const std::string& name, const std::string& url)> confirmed);

  void done(int result) override;  // every way of closing: a search is given up

 private:
  void Confirm();
  // Fetches the URL's page and offers the feeds it announces in a menu.
  void FindFeeds();
  void OfferFeeds(const PageTrialResult& result);

  QLineEdit* nameEdit_;
  QLineEdit* urlEdit_;
  QPushButton* findButton_;
  QMenu* foundFeeds_;  // a feed the page announces per item; picking one fills the fields
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  std::string title_;  // also the caption of a refusal
  std::vector<settings::FeedSource> others_;
  std::function<void(const std::string&, const std::string&)> confirmed_;
  PageTrialSession search_;
};

}  // namespace quillet
