#include "ui/page_edit_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/pages/page_document.h"
#include "core/settings/feed_list.h"
#include "core/sys/error_display.h"
#include "core/text/text_codec.h"
#include "ui/error_box.h"
#include "ui/message_box.h"
#include "ui/program_window.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

std::string FieldText(const QLineEdit* edit) {
  return Utf8ToCp932(edit->text().toStdString());
}

std::string TrimmedText(const QLineEdit* edit) {
  return Utf8ToCp932(edit->text().trimmed().toStdString());
}

// A section's row in the list: its name, or a word for a section without one.
QString SectionRowText(const PageSection& section) {
  return UiText(section.name.empty() ? CP932("(名前なし)") : section.name);
}

}  // namespace

PageEditDialog::PageEditDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("pageEditDialog"));
  nameEdit_ = Named(new QLineEdit(this), QStringLiteral("pageNameEdit"));
  urlEdit_ = Named(new QLineEdit(this), QStringLiteral("pageUrlEdit"));
  const int letter = fontMetrics().horizontalAdvance(QLatin1Char('x'));
  urlEdit_->setMinimumWidth(letter * 48);

  sectionList_ = Named(new QListWidget(this), QStringLiteral("sectionList"));
  sectionList_->setSelectionMode(QAbstractItemView::SingleSelection);
  sectionList_->setFixedWidth(letter * 22);
  sectionAddButton_ =
      Named(new QPushButton(UiText(CP932("追加")), this), QStringLiteral("sectionAddButton"));
  sectionRemoveButton_ =
      Named(new QPushButton(UiText(CP932("削除")), this), QStringLiteral("sectionRemoveButton"));

  sectionFields_ = new QWidget(this);
  sectionFields_->setMinimumWidth(letter * 60);
  sectionNameEdit_ = Named(new QLineEdit(sectionFields_), QStringLiteral("sectionNameEdit"));
  ruleKindBox_ = Named(new QComboBox(sectionFields_), QStringLiteral("ruleKindBox"));
  ruleKindBox_->addItems(
      {UiText(CP932("テキストの間")), QStringLiteral("XPath"), UiText(CP932("CSS セレクタ"))});
  fromEdit_ = Named(new QLineEdit(sectionFields_), QStringLiteral("fromEdit"));
  toEdit_ = Named(new QLineEdit(sectionFields_), QStringLiteral("toEdit"));
  expressionEdit_ = Named(new QLineEdit(sectionFields_), QStringLiteral("expressionEdit"));
  linksEdit_ = Named(new QLineEdit(sectionFields_), QStringLiteral("linksEdit"));
  minLengthSpin_ = Named(new QSpinBox(sectionFields_), QStringLiteral("minLengthSpin"));
  minLengthSpin_->setRange(0, kPageMinLengthMax);
  sectionForm_ = new QFormLayout(sectionFields_);
  sectionForm_->setContentsMargins(0, 0, 0, 0);
  sectionForm_->setFieldGrowthPolicy(
      QFormLayout::ExpandingFieldsGrow);  // the number box stays small
  sectionForm_->addRow(UiText(CP932("セクション名")), sectionNameEdit_);
  sectionForm_->addRow(UiText(CP932("切り出し方")), ruleKindBox_);
  sectionForm_->addRow(UiText(CP932("開始テキスト")), fromEdit_);
  sectionForm_->addRow(UiText(CP932("終了テキスト")), toEdit_);
  sectionForm_->addRow(QStringLiteral("XPath"), expressionEdit_);
  sectionForm_->addRow(UiText(CP932("リンクの URL に含む文字")), linksEdit_);
  sectionForm_->addRow(UiText(CP932("最短の文字数")), minLengthSpin_);

  tryButton_ = Named(new QPushButton(UiText(CP932("試す(&T)")), this), QStringLiteral("tryButton"));
  trialStatus_ = Named(new QLabel(this), QStringLiteral("trialStatus"));
  trialStatus_->setWordWrap(true);
  trialStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  trialResults_ = Named(new QTreeWidget(this), QStringLiteral("trialResults"));
  trialResults_->setColumnCount(2);
  trialResults_->setHeaderLabels({UiText(CP932("ヘッドライン")), QStringLiteral("URL")});
  trialResults_->setColumnWidth(0, letter * 56);
  trialResults_->setMinimumHeight(fontMetrics().height() * 12);

  okButton_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("pageOkButton"));
  cancelButton_ =
      Named(new QPushButton(UiText(CP932("キャンセル")), this), QStringLiteral("pageCancelButton"));
  okButton_->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(UiText(CP932("名前")), nameEdit_);
  fields->addRow(QStringLiteral("URL"), urlEdit_);
  auto* sectionButtons = new QHBoxLayout;
  sectionButtons->addWidget(sectionAddButton_);
  sectionButtons->addWidget(sectionRemoveButton_);
  auto* sections = new QGridLayout;
  sections->addWidget(new QLabel(UiText(CP932("セクション")), this), 0, 0);
  sections->addWidget(sectionList_, 1, 0);
  sections->addLayout(sectionButtons, 2, 0);
  sections->addWidget(sectionFields_, 1, 1, 2, 1, Qt::AlignTop);
  sections->setColumnStretch(1, 1);
  auto* trial = new QHBoxLayout;
  trial->addWidget(tryButton_, 0, Qt::AlignTop);
  trial->addWidget(trialStatus_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(sections);
  layout->addLayout(trial);
  layout->addWidget(trialResults_, 1);
  layout->addLayout(buttons);

  resize(QSize(letter * 120, fontMetrics().height() * 36).expandedTo(sizeHint()));

  connect(sectionAddButton_, &QPushButton::clicked, this, [this] { AddSection(); });
  connect(sectionRemoveButton_, &QPushButton::clicked, this, [this] { RemoveSection(); });
  connect(sectionList_, &QListWidget::currentRowChanged, this,
          [this](int row) { ShowSection(row); });
  for (QLineEdit* edit : {sectionNameEdit_, fromEdit_, toEdit_, expressionEdit_, linksEdit_})
    connect(edit, &QLineEdit::textChanged, this, [this] { KeepSection(); });
  connect(minLengthSpin_, &QSpinBox::valueChanged, this, [this] { KeepSection(); });
  connect(ruleKindBox_, &QComboBox::currentIndexChanged, this, [this] {
    KeepSection();
    ShowRuleFields();
  });
  connect(tryButton_, &QPushButton::clicked, this, [this] { Try(); });
  connect(okButton_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void PageEditDialog::Open(const std::string& title, const PageSource& page,
                          std::function<void(const PageSource&)> confirmed) {
  title_ = title;
  page_ = page;
  sections_ = page.sections;
  confirmed_ = std::move(confirmed);
  setWindowTitle(UiText(title));
  nameEdit_->setText(UiText(page.name));
  urlEdit_->setText(UiText(page.url));
  shownSection_ = -1;
  sectionList_->clear();
  for (const PageSection& section : sections_)
    sectionList_->addItem(SectionRowText(section));
  sectionList_->setCurrentRow(sections_.empty() ? -1 : 0);
  ShowSection(sectionList_->currentRow());
  trialStatus_->clear();
  trialResults_->clear();
  tryButton_->setEnabled(true);
  nameEdit_->setFocus();
  open();
}

void PageEditDialog::done(int result) {
  trial_.Stop();
  QDialog::done(result);
}

void PageEditDialog::ShowSection(int row) {
  shownSection_ = row;
  const bool shown = row >= 0 && row < static_cast<int>(sections_.size());
  sectionFields_->setEnabled(shown);
  sectionRemoveButton_->setEnabled(shown);
  sectionAddButton_->setEnabled(sections_.size() < kPageSectionsMax);
  const PageSection section = shown ? sections_[static_cast<size_t>(row)] : PageSection{};
  showing_ = true;
  sectionNameEdit_->setText(UiText(section.name));
  ruleKindBox_->setCurrentIndex(!section.xpath.empty() ? kXPath
                                : !section.css.empty() ? kCss
                                                       : kBetweenTexts);
  fromEdit_->setText(UiText(section.from));
  toEdit_->setText(UiText(section.to));
  expressionEdit_->setText(UiText(section.xpath.empty() ? section.css : section.xpath));
  linksEdit_->setText(UiText(section.links));
  minLengthSpin_->setValue(section.minLength);
  showing_ = false;
  ShowRuleFields();
}

void PageEditDialog::KeepSection() {
  if (showing_ || shownSection_ < 0 || shownSection_ >= static_cast<int>(sections_.size())) return;
  PageSection& section = sections_[static_cast<size_t>(shownSection_)];
  const int kind = ruleKindBox_->currentIndex();
  section.name = TrimmedText(sectionNameEdit_);
  // Only the chosen way's fields: the others keep their text in case the
  // user goes back to them, but are not the rule.
  section.from = kind == kBetweenTexts ? FieldText(fromEdit_) : "";
  section.to = kind == kBetweenTexts ? FieldText(toEdit_) : "";
  section.xpath = kind == kXPath ? FieldText(expressionEdit_) : "";
  section.css = kind == kCss ? FieldText(expressionEdit_) : "";
  section.links = FieldText(linksEdit_);
  section.minLength = minLengthSpin_->value();
  sectionList_->item(shownSection_)->setText(SectionRowText(section));
}

void PageEditDialog::ShowRuleFields() {
  const int kind = ruleKindBox_->currentIndex();
  sectionForm_->setRowVisible(fromEdit_, kind == kBetweenTexts);
  sectionForm_->setRowVisible(toEdit_, kind == kBetweenTexts);
  sectionForm_->setRowVisible(expressionEdit_, kind != kBetweenTexts);
  if (auto* label = qobject_cast<QLabel*>(sectionForm_->labelForField(expressionEdit_)))
    label->setText(ruleKindBox_->currentText());
}

void PageEditDialog::AddSection() {
  if (sections_.size() >= kPageSectionsMax) return;
  sections_.push_back({});
  sectionList_->addItem(SectionRowText(sections_.back()));
  sectionList_->setCurrentRow(static_cast<int>(sections_.size()) - 1);
  sectionNameEdit_->setFocus();
}

void PageEditDialog::RemoveSection() {
  const int row = sectionList_->currentRow();
  if (row < 0 || row >= static_cast<int>(sections_.size())) return;
  shownSection_ = -1;  // the fields are not kept into the row that follows
  sections_.erase(sections_.begin() + row);
  delete sectionList_->takeItem(row);
  ShowSection(sectionList_->currentRow());
}

PageSource PageEditDialog::EditedPage() const {
  PageSource page = page_;
  page.name = TrimmedText(nameEdit_);
  page.url = TrimmedText(urlEdit_);
  page.sections = sections_;
  return page;
}

void PageEditDialog::Confirm() {
  const PageSource page = EditedPage();
  // The first problem; the fields keep the text to be put right.
  auto problem = PageNameProblem(page.name);
  if (!problem) problem = settings::FeedUrlProblem(page.url);
  for (size_t n = 0; !problem && n < page.sections.size(); ++n) {
    const PageSection& section = page.sections[n];
    problem = SectionNameProblem(section.name);
    if (const auto rule = SectionRuleProblem(section); rule && !problem)
      problem = CP932("セクション「") + section.name + CP932("」: ") + *rule;
    if (problem) sectionList_->setCurrentRow(static_cast<int>(n));
  }
  if (problem) {
    ShowMessage(this, *problem, title_, MessageIcon::kExclamation);
    return;
  }
  accept();
  if (confirmed_) confirmed_(page);
}

void PageEditDialog::Try() {
  const PageSource page = EditedPage();
  if (const auto problem = settings::FeedUrlProblem(page.url)) {
    ShowMessage(this, *problem, title_, MessageIcon::kExclamation);
    return;
  }
  trialResults_->clear();
  trialStatus_->setText(UiText(CP932("ページを取得しています...")));
  tryButton_->setEnabled(false);
  ErrorBox errors(this);
  RunGuarded(errors, [&] {
    trial_.Start(page, [this, sections = page.sections](const PageTrialResult& result) {
      ShowTrial(sections, result);
    });
  });
  if (!trial_.Running()) {
    trialStatus_->clear();
    tryButton_->setEnabled(true);
  }
}

void PageEditDialog::ShowTrial(const std::vector<PageSection>& sections,
                               const PageTrialResult& result) {
  tryButton_->setEnabled(true);
  trialResults_->clear();
  if (!result.failure.empty()) {
    trialStatus_->setText(UiText(result.failure));
    return;
  }
  size_t links = 0;
  for (size_t n = 0; n < sections.size() && n < result.sections.size(); ++n) {
    const SectionCut& cut = result.sections[n];
    const std::string& problem = cut.problem;  // also a rule that cannot be used
    auto* row = new QTreeWidgetItem(trialResults_);
    row->setText(
        0, UiText(sections[n].name + " (" + std::to_string(cut.links.size()) + CP932(" 件)")));
    if (!problem.empty()) {
      row->setText(1, UiText(problem));
      row->setToolTip(1, UiText(problem));
      continue;
    }
    for (const PageLink& link : cut.links) {
      auto* headline = new QTreeWidgetItem(row);
      headline->setText(0, UiText(link.text));
      headline->setText(1, UiText(link.url));
      headline->setToolTip(0, UiText(link.text));
    }
    links += cut.links.size();
    row->setExpanded(true);
  }
  std::string status = CP932("ヘッドライン ") + std::to_string(links) + CP932(" 件");
  if (!result.feeds.empty()) {
    status += CP932("。このページはフィードを ") + std::to_string(result.feeds.size()) +
              CP932(" 件知らせています");
    auto* feeds = new QTreeWidgetItem(trialResults_);
    feeds->setText(0, UiText(CP932("このページが知らせるフィード")));
    for (const AnnouncedFeed& feed : result.feeds) {
      auto* row = new QTreeWidgetItem(feeds);
      row->setText(0, UiText(feed.title));
      row->setText(1, UiText(feed.url));
    }
    feeds->setExpanded(true);
  }
  trialStatus_->setText(UiText(status));
}

}  // namespace quillet
