#include "ui/log_search_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <string>
#include <utility>
#include <vector>

#include "core/log/log_search.h"
#include "core/settings/settings.h"
#include "core/settings/watch_list.h"
#include "core/text/text_codec.h"
#include "ui/browser_launch.h"
#include "ui/error_box.h"
#include "ui/icons.h"
#include "ui/log_search_job.h"
#include "ui/report_view.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr QSize kStartSize(482, 325);
constexpr int kFirstColumnsWidth = 50;  // until a search fits them

}  // namespace

LogSearchWindow::LogSearchWindow(QWidget* parent) : ProgramWindow(parent) {
  setWindowTitle(UiText(CP932("ログ検索")));
  // A window to size at will, also as a dialog of the main window.
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

  keywordLabel_ = new QLabel(UiText(CP932("キーワード")), this);
  keywordEdit_ = Named(new QLineEdit(this), QStringLiteral("keywordEdit"));
  keywordLabel_->setBuddy(keywordEdit_);
  watchButton_ = Named(new QToolButton(this), QStringLiteral("watchButton"));
  watchButton_->setText(UiText(CP932("ウォッチ")));
  watchButton_->setPopupMode(QToolButton::InstantPopup);
  // As tall as the buttons beside it, and room for the menu arrow, which the
  // style would otherwise draw over the text.
  watchButton_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  watchButton_->setMinimumWidth(watchButton_->sizeHint().width() +
                                style()->pixelMetric(QStyle::PM_MenuButtonIndicator));
  watchMenu_ = new QMenu(watchButton_);
  watchButton_->setMenu(watchMenu_);
  searchButton_ =
      Named(new QPushButton(QIcon::fromTheme(QStringLiteral("edit-find"), ToolbarIcon(5)),
                            UiText(CP932("検索")), this),
            QStringLiteral("searchButton"));
  closeButton_ = Named(new QPushButton(CloseIcon(palette().color(QPalette::ButtonText)),
                                       UiText(CP932("閉じる")), this),
                       QStringLiteral("closeButton"));
  searchButton_->setAutoDefault(false);
  closeButton_->setAutoDefault(false);
  allLogsRadio_ = new QRadioButton(UiText(CP932("全てのログから検索")), this);
  allLogsRadio_->setChecked(true);
  const settings::ViewState view = settings::ReadSettings().view;
  foldWidthCheck_ = Named(new QCheckBox(UiText(CP932("全角と半角を区別しない")), this),
                          QStringLiteral("foldWidthCheck"));
  foldWidthCheck_->setChecked(view.searchFoldWidth);

  statusPanel_ = Named(new QLabel(this), QStringLiteral("statusPanel"));
  statusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusPanel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  statusPanel_->setTextFormat(Qt::PlainText);
  // A long status text must not widen the window.
  statusPanel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  resultList_ = Named(new ReportView({{CP932("サイト"), kFirstColumnsWidth},
                                      {CP932("取得日時"), kFirstColumnsWidth},
                                      {CP932("ジャンル"), kFirstColumnsWidth},
                                      {CP932("ヘッドライン"), kFirstColumnsWidth}},
                                     this),
                      QStringLiteral("resultList"));
  resultList_->OnRowRightPress = [this](const QPoint& globalPos) { ShowResultMenu(globalPos); };
  resultList_->SetUserColumnWidths(view.searchColumns);
  resultList_->OnDblClick = [this] { OpenSelectedArticle(); };

  resultMenu_ = new QMenu(this);
  openArticleAction_ = resultMenu_->addAction(UiText(CP932("この記事をブラウザで開く")));
  copyUrlAction_ = resultMenu_->addAction(UiText(CP932("URLのコピー")));
  resultMenu_->addSeparator();
  urlCaptionAction_ = resultMenu_->addAction(QStringLiteral("URL"));

  auto* keywordRow = new QHBoxLayout;
  keywordRow->addWidget(keywordLabel_);
  keywordRow->addWidget(keywordEdit_, 1);
  keywordRow->addWidget(watchButton_);
  keywordRow->addWidget(searchButton_);
  auto* choiceRow = new QHBoxLayout;
  choiceRow->addWidget(allLogsRadio_);
  choiceRow->addWidget(foldWidthCheck_);
  choiceRow->addStretch(1);
  choiceRow->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(keywordRow);
  layout->addLayout(choiceRow);
  layout->addWidget(statusPanel_);
  layout->addWidget(resultList_, 1);

  connect(searchButton_, &QPushButton::clicked, this, [this] { Search(); });
  connect(closeButton_, &QPushButton::clicked, this, [this] { close(); });
  // Kept for the next window; a file that cannot be written costs only that.
  connect(foldWidthCheck_, &QCheckBox::toggled, this, [](bool fold) {
    try {
      settings::EditSettings([fold](settings::SettingsEdit& edit) {
        edit.Put(settings::key::kSearchFoldWidth, fold);
      });
    } catch (const std::exception&) {
    }
  });
  connect(resultMenu_, &QMenu::aboutToShow, this, [this] { ShowUrlInMenu(); });
  connect(watchMenu_, &QMenu::aboutToShow, this, [this] { FillWatchMenu(); });
  connect(openArticleAction_, &QAction::triggered, this, [this] { OpenSelectedArticle(); });
  connect(copyUrlAction_, &QAction::triggered, this, [this] { CopySelectedUrl(); });
  keywordEdit_->installEventFilter(this);

  setAttribute(Qt::WA_DeleteOnClose);
  resize(kStartSize);
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() -
         QPoint(kStartSize.width() / 2, kStartSize.height() / 2));
}

LogSearchWindow::~LogSearchWindow() {
  StopSearch();
}

void LogSearchWindow::Search() {
  StopSearch();
  resultList_->Rows().Clear();
  LogSearchJob::Reports reports;
  reports.status = [this](const std::string& status) { statusPanel_->setText(UiText(status)); };
  reports.rows = [this](std::vector<TextTable> rows) {
    resultList_->Rows().Append(std::move(rows));
    resultList_->FitColumns();
  };
  reports.ended = [this](const std::exception_ptr& failure) { SearchEnded(failure); };
  search_ = LogSearchJob::Start(this, Utf8ToCp932(keywordEdit_->text().toStdString()),
                                SearchOptions{foldWidthCheck_->isChecked()}, std::move(reports));
}

void LogSearchWindow::StopSearch() {
  if (search_) search_->Stop();
  search_.reset();
}

void LogSearchWindow::SearchEnded(const std::exception_ptr& failure) {
  search_.reset();
  statusPanel_->setText(
      UiText(FoundCountText(static_cast<size_t>(resultList_->Rows().rowCount()))));
  if (failure) {
    ErrorBox display(this);
    RunGuarded(display, [&] { std::rethrow_exception(failure); });
  }
}

void LogSearchWindow::FillWatchMenu() {
  watchMenu_->clear();
  const std::vector<std::string> keywords = settings::ReadSettings().watch.keywords;
  if (keywords.empty()) watchMenu_->addAction(UiText(CP932("(ウォッチなし)")))->setEnabled(false);
  for (const std::string& keyword : keywords) {
    connect(watchMenu_->addAction(MenuCaption(keyword)), &QAction::triggered, this,
            [this, keyword] {
              keywordEdit_->setText(UiText(keyword));
              Search();
            });
  }
}

bool LogSearchWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == keywordEdit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Search();
      return true;  // no character, no default button, no beep
    }
  }
  return ProgramWindow::eventFilter(watched, event);
}

void LogSearchWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange)
    closeButton_->setIcon(CloseIcon(palette().color(QPalette::ButtonText)));
  ProgramWindow::changeEvent(event);
}

void LogSearchWindow::keyPressEvent(QKeyEvent* event) {
  // Esc closes the window, as the close button does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    closeButton_->click();
    return;
  }
  ProgramWindow::keyPressEvent(event);
}

// A search under way is given up: the window goes at once.
void LogSearchWindow::closeEvent(QCloseEvent* event) {
  StopSearch();
  // Widths the user set are kept for the next window; a file that cannot
  // be written costs only them.
  if (const std::string widths = resultList_->UserColumnWidths(); !widths.empty()) {
    try {
      settings::EditSettings([&widths](settings::SettingsEdit& edit) {
        edit.Put(settings::key::kSearchColumns, widths);
      });
    } catch (const std::exception&) {
    }
  }
  ProgramWindow::closeEvent(event);
}

void LogSearchWindow::OpenSelectedArticle() {
  if (const auto url = resultList_->SelectedUrl()) OpenArticle(*url, this);
}

void LogSearchWindow::ShowResultMenu(const QPoint& globalPos) {
  resultMenu_->popup(globalPos);
}

void LogSearchWindow::ShowUrlInMenu() {
  if (const auto url = resultList_->SelectedUrl()) urlCaptionAction_->setText(MenuCaption(*url));
}

void LogSearchWindow::CopySelectedUrl() {
  if (const auto url = resultList_->SelectedUrl()) CopyUrl(*url);
}

}  // namespace quillet
