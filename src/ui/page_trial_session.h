// One page tried at once from a dialog, on a network of its own with the
// program's proxy as the settings file holds it. Stopping it, or its end,
// means its callback is never called.
#pragma once

#include <QNetworkAccessManager>
#include <QObject>

#include <functional>
#include <memory>

#include "net/page_trial.h"

namespace quillet {

class PageTrialSession {
 public:
  // Starts trying `page` (giving up one in progress); `ended` is called once
  // from the event loop unless Stop comes first. Raises the settings file's
  // errors.
  void Start(const PageSource& page, std::function<void(PageTrialResult)> ended);
  void Stop();
  bool Running() const { return running_; }

 private:
  struct Trial {
    QNetworkAccessManager network;
    PageTrial trial{network};
  };
  std::unique_ptr<Trial> trial_;
  int started_ = 0;  // counts the trials, so that a stopped one's end is let pass
  bool running_ = false;
  QObject ends_;  // the ends wait on it for the event loop
};

}  // namespace quillet
