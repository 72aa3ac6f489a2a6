// One window program per program folder. The first start listens on a local
// socket named after the folder (and the user); a later start on the same
// folder asks it to show its window instead of opening a second one.
#pragma once

#include <QLocalServer>
#include <QString>

#include <functional>
#include <string>

namespace quillet {

class SingleInstance {
 public:
  explicit SingleInstance(const std::string& folder);
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // False when a program already runs on the folder: it has been asked to
  // show its window. True when this one now answers such requests (or, where
  // the socket cannot be made, runs without).
  bool Claim();

  // Called for each request of a later start.
  std::function<void()> OnShowRequested;

  // The socket name for `folder`, for tests.
  static QString SocketName(const std::string& folder);

 private:
  bool AskRunningToShow();
  void Answer();

  QString name_;
  QLocalServer server_;
};

}  // namespace quillet
