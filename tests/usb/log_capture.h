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
    const std::lock_guard<std::mutex> hold(Kept().lock);
    Kept().text.clear();
    previous_ = qInstallMessageHandler(&LogCapture::Keep);
  }
  ~LogCapture() { qInstallMessageHandler(previous_); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Every line so far, each ended by a newline.
  std::string Text() const {
    const std::lock_guard<std::mutex> hold(Kept().lock);
    return Kept().text;
  }

 private:
  struct Lines {
    std::mutex lock;
    std::string text;
  };
  static Lines& Kept() {
    static Lines lines;
    return lines;
  }
  static void Keep(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& line) {
    const std::lock_guard<std::mutex> hold(Kept().lock);
    Kept().text += line.toStdString() + "\n";
  }

  QtMessageHandler previous_ = nullptr;
};

}  // namespace orvex::test
