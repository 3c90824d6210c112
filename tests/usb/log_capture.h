// Collects the Qt log lines written while it lives, so a test can see what an adapter reported.
#pragma once

#include <QString>
#include <QtGlobal>
#include <mutex>
#include <string>

namespace orvex::test {

class LogCapture {
 public:
  LogCapture() {
    const std::lock_guard<std::mutex> hold(lock_);
    text_.clear();
    previous_ = qInstallMessageHandler(&LogCapture::Keep);
  }
  ~LogCapture() { qInstallMessageHandler(previous_); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Every line so far, each ended by a newline.
  std::string Text() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return text_;
  }

 private:
  static void Keep(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& line) {
    const std::lock_guard<std::mutex> hold(lock_);
    text_ += line.toStdString() + "\n";
  }

  // Log lines may come from any thread (a camera's capture thread among them).
  static inline std::mutex lock_;
  static inline std::string text_;
  QtMessageHandler previous_ = nullptr;
};

}  // namespace orvex::test
