#include "ui/page_trial_session.h"

#include <QTimer>

#include "core/settings/settings.h"
#include "net/feed_network.h"

namespace quillet {

void PageTrialSession::Start(const PageSource& page, std::function<void(PageTrialResult)> ended) {
  Stop();
  auto trial = std::make_unique<Trial>();
  UseProxy(trial->network, settings::ReadSettings().connection.proxy);
  trial_ = std::move(trial);
  const int number = ++started_;
  trial_->trial.Start(page, [this, number, ended = std::move(ended)](PageTrialResult result) {
    // Handed on once the download has unwound: the handler may show a box,
    // whose event loop may start or stop a trial.
    QTimer::singleShot(0, &ends_, [this, number, ended, result = std::move(result)] {
      if (number != started_) return;
      running_ = false;
      ended(result);
    });
  });
  running_ = true;
}

void PageTrialSession::Stop() {
  ++started_;
  trial_.reset();
  running_ = false;
}

}  // namespace quillet
