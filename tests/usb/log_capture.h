// Collects the Qt log lines written while it lives, so a test can see what an adapter reported.
#pragma once

#include <QString>
#include <QtGlobal>
#include <mutex>
#include <string>
#include <vector>

namespace orvex::test {

class LogCapture {
 public:
  LogCapture() {
    Lines().clear();
    previous_ = qInstallMessageHandler(&LogCapture::Keep);
  }
  ~LogCapture() { qInstallMessageHandler(previous_); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Every line so far, joined by newlines.
  std::string Text() const {
    const std::lock_guard<std::mutex> hold(Lock());
    std::string text;
    for (const std::string& line : Lines()) text += line + "\n";
    return text;
  }

 private:
  static void Keep(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& text) {
    const std::lock_guard<std::mutex> hold(Lock());
    Lines().push_back(text.toStdString());
  }
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }

  QtMessageHandler previous_ = nullptr;
};

}  // namespace orvex::test
