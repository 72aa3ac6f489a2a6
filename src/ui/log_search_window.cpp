#include "ui/log_search_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
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
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

#include "core/text/text_codec.h"
#include "ui/browser_launch.h"
#include "ui/error_box.h"
#include "ui/icons.h"
#include "ui/report_view.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr QSize kStartSize(482, 325);
constexpr int kFirstColumnsWidth = 50;  // until a search fits them

}  // namespace

TForm5::TForm5(QWidget* parent) : TFreeForm(parent) {
  setWindowTitle(UiText(CP932("ログ検索")));

  Label1 = new QLabel(UiText(CP932("キーワード")), this);
  Edit1 = new QLineEdit(this);
  Label1->setBuddy(Edit1);
  BitBtn1 = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-find"), ToolbarIcon(5)),
                            UiText(CP932("検索")), this);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                            UiText(CP932("閉じる")), this);
  BitBtn1->setAutoDefault(false);
  BitBtn2->setAutoDefault(false);
  RadioButton1 = new QRadioButton(UiText(CP932("全てのログから検索")), this);
  RadioButton1->setChecked(true);

  Panel1 = new QLabel(this);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Panel1->setTextFormat(Qt::PlainText);
  // A long status text must not widen the window.
  Panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  ListView1 = new ReportView({{CP932("サイト"), kFirstColumnsWidth},
                              {CP932("取得日時"), kFirstColumnsWidth},
                              {CP932("ジャンル"), kFirstColumnsWidth},
                              {CP932("ヘッドライン"), kFirstColumnsWidth}},
                             this);
  ListView1->OnRowRightPress = [this](const QPoint& globalPos) { ListView1MouseDown(globalPos); };
  ListView1->OnDblClick = [this] { ListView1DblClick(); };

  PopupMenu1 = new QMenu(this);
  N6 = PopupMenu1->addAction(UiText(CP932("この記事をブラウザで開く")));
  URL2 = PopupMenu1->addAction(UiText(CP932("URLのコピー")));
  N7 = PopupMenu1->addSeparator();
  URL3 = PopupMenu1->addAction(QStringLiteral("URL"));

  auto* keywordRow = new QHBoxLayout;
  keywordRow->addWidget(Label1);
  keywordRow->addWidget(Edit1, 1);
  keywordRow->addWidget(BitBtn1);
  auto* choiceRow = new QHBoxLayout;
  choiceRow->addWidget(RadioButton1);
  choiceRow->addStretch(1);
  choiceRow->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(keywordRow);
  layout->addLayout(choiceRow);
  layout->addWidget(Panel1);
  layout->addWidget(ListView1, 1);

  connect(BitBtn1, &QPushButton::clicked, this, [this] { RunLogSearch(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { close(); });
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
  connect(N6, &QAction::triggered, this, [this] { ListView1DblClick(); });
  connect(URL2, &QAction::triggered, this, [this] { URL2Click(); });
  Edit1->installEventFilter(this);

  setAttribute(Qt::WA_DeleteOnClose);
  resize(kStartSize);
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() -
         QPoint(kStartSize.width() / 2, kStartSize.height() / 2));
}

TForm5::~TForm5() = default;

void TForm5::RunLogSearch() {
  if (searching_) return;
  searching_ = true;
  ListView1->setUpdatesEnabled(false);
  ListView1->clear();
  rows_.clear();

  std::exception_ptr failure;
  try {
    const auto showStatus = [this](const std::string& status) {
      Panel1->setText(UiText(status));
      QCoreApplication::processEvents();
    };
    std::array<QIcon, kSearchedSites> icons;
    for (int site = 0; site < kSearchedSites; ++site)
      icons[static_cast<size_t>(site)] = SiteIcon(site);
    for (int site = 0; site < kSearchedSites; ++site) {
      // The keyword may be changed while the search runs; each site takes the
      // box's text as its scan begins.
      const std::string keyword = Utf8ToCp932(Edit1->text().toStdString());
      std::vector<SearchRow> found;
      ScanSiteLogs(site, keyword, showStatus, found);
      for (SearchRow& row : found) {
        auto* item = new QTreeWidgetItem(QStringList{UiText(row.siteLabel), UiText(row.item.Date),
                                                     UiText(row.genre), UiText(row.item.Headline)});
        item->setIcon(0, icons[static_cast<size_t>(row.site)]);
        ListView1->addTopLevelItem(item);
        rows_.push_back(std::move(row));
      }
    }
  } catch (const std::exception&) {
    failure = std::current_exception();
  }

  FitColumns();
  ListView1->setUpdatesEnabled(true);
  Panel1->setText(UiText(FoundCountText(rows_.size())));
  if (failure) {
    ErrorBox display(this);
    RunGuarded(display, [&] { std::rethrow_exception(failure); });
  }
  searching_ = false;
  if (closeRequested_) deleteLater();
}

const std::string* TForm5::SelectedUrl() const {
  QTreeWidgetItem* selected = ListView1->SelectedRow();
  if (!selected) return nullptr;
  return &rows_[static_cast<size_t>(ListView1->indexOfTopLevelItem(selected))].item.URL;
}

bool TForm5::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      RunLogSearch();
      return true;  // no character, no default button, no beep
    }
  }
  return TFreeForm::eventFilter(watched, event);
}

void TForm5::keyPressEvent(QKeyEvent* event) {
  // Esc closes the window, as the close button does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    BitBtn2->click();
    return;
  }
  TFreeForm::keyPressEvent(event);
}

// A search works on this window and its rows between its event breaks, so a
// close during a search only hides the window; it goes when the search ends.
void TForm5::closeEvent(QCloseEvent* event) {
  if (searching_) {
    closeRequested_ = true;
    hide();
    event->ignore();
    return;
  }
  TFreeForm::closeEvent(event);
}

void TForm5::FitColumns() {
  if (!rows_.empty()) ListView1->FitColumns();
}

void TForm5::ListView1DblClick() {
  const std::string* url = SelectedUrl();
  if (!url) return;
  const std::string copy = *url;  // a message box lets events run
  OpenArticle(copy, this);
}

void TForm5::ListView1MouseDown(const QPoint& globalPos) {
  PopupMenu1->popup(globalPos);
}

void TForm5::PopupMenu1Popup() {
  const std::string* url = SelectedUrl();
  if (!url) return;
  // '&' would otherwise mark a shortcut letter and vanish from the caption.
  URL3->setText(UiText(*url).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void TForm5::URL2Click() {
  if (const std::string* url = SelectedUrl()) CopyUrl(*url);
}

}  // namespace quillet
