// The dialog in which a page of the connection settings gets its name, URL
// and sections, each with the rule that cuts it; 試す fetches the page at
// once and shows what each section would give, and which feeds the page
// announces. OK is refused, with the reason, while something cannot be
// stored.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "core/pages/page_list.h"
#include "net/page_trial.h"
#include "ui/page_trial_session.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace quillet {

class PageEditDialog : public QDialog {
 public:
  explicit PageEditDialog(QWidget* parent);

  // Shows the dialog (modal to its parent, without waiting) titled `title`
  // with `page` in it; an accepted OK hands the page as edited (its id and
  // tick as given) to `confirmed`.
  void Open(const std::string& title, const PageSource& page,
            std::function<void(const PageSource&)> confirmed);

  void done(int result) override;  // every way of closing: a trial is given up

 private:
  // How a section is cut: the rows of the rule choice.
  enum RuleKind { kBetweenTexts, kXPath, kCss };

  void Confirm();
  void Try();
  void ShowTrial(const std::vector<PageSection>& sections, const PageTrialResult& result);
  // The page as the fields hold it.
  PageSource EditedPage() const;
  void AddSection();
  void RemoveSection();
  // The selected section's fields from sections_, and back.
  void ShowSection(int row);
  void KeepSection();
  void ShowRuleFields();

  QLineEdit* nameEdit_;
  QLineEdit* urlEdit_;
  QListWidget* sectionList_;  // one row per section, its name
  QPushButton* sectionAddButton_;
  QPushButton* sectionRemoveButton_;
  QWidget* sectionFields_;  // off while no section is selected
  QFormLayout* sectionForm_;
  QLineEdit* sectionNameEdit_;
  QComboBox* ruleKindBox_;
  QLineEdit* fromEdit_;
  QLineEdit* toEdit_;
  QLineEdit* expressionEdit_;  // the XPath expression or the CSS selector
  QLineEdit* linksEdit_;
  QSpinBox* minLengthSpin_;
  QPushButton* tryButton_;
  QLabel* trialStatus_;
  QTreeWidget* trialResults_;  // a row per section, its headlines below it; then the feeds
  QPushButton* okButton_;
  QPushButton* cancelButton_;

  PageSource page_;                    // as opened: its id and tick
  std::vector<PageSection> sections_;  // as edited
  int shownSection_ = -1;              // the section the fields show
  bool showing_ = false;               // true while the fields are being filled
  std::string title_;                  // also the caption of a refusal
  std::function<void(const PageSource&)> confirmed_;
  PageTrialSession trial_;
};

}  // namespace quillet
