// orvex-screenshots OUTDIR: pictures of the window and every dialog on the simulated machine,
// for the README, the package's metadata and a look before a change to the windows lands. The
// twin's time is driven, so the run in progress is caught at the same moment every time.
// Run it under a real X server (make screenshots uses Xvfb) to see what an operator sees.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMenuBar>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <functional>

#include "gui/orvex_application.h"

namespace {

using namespace orvex;
using namespace orvex::gui;

constexpr std::int64_t kMinuteMs = 60'000;

class Shooter {
 public:
  Shooter(QString outDir, std::filesystem::path workDir) : out_(std::move(outDir)) {
    ProgramOptions options;
    options.simulate = true;
    options.station.sheets = 3;
    options.workDir = workDir.string();
    options.settings = (workDir / "orvex.conf").string();
    options.job = ORVEX_SAMPLE_JOB;
    app_ = std::make_unique<OrvexApplication>(options, workDir, SimulatedStation::Time::kDriven);
  }

  bool Drive(const std::function<bool()>& done, std::int64_t limitMs) {
    return app_->Simulated()->DriveUntil(done, limitMs);
  }

  // Lets the window settle in wall time (the live pane shows at most five frames a second).
  static void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  }

  // The twin's camera streams on the twin's time and the live pane takes at most five frames a
  // wall-clock second: a few frames of the moment, each given its time to be shown.
  void ShowLiveFrames() {
    for (int frame = 0; frame < 3; ++frame) {
      Drive([] { return false; }, 240);
      Settle(250);
    }
  }

  bool Save(QWidget* widget, const QString& name) {
    const QString path = out_ + "/" + name + ".png";
    const bool saved = widget->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toUtf8().constData());
    return saved;
  }

  // Opens a dialog with `open`, saves the picture of the modal window it shows, then `close`s it.
  void ShootModal(const QString& name, const std::function<void()>& open,
                  const std::function<void(QWidget*)>& close) {
    QTimer::singleShot(400, [this, name, close] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        Save(modal, name);
        close(modal);
      }
    });
    open();
  }

  static void Click(QWidget* window, int id) {
    if (auto* button = window->findChild<QAbstractButton*>(QStringLiteral("control%1").arg(id))) {
      button->click();
    }
  }

  int Run(bool french) {
    MainWindow& window = app_->Window();
    MainWindowModel& model = app_->Machine().Model();
    app_->Start();
    if (!Drive([&] { return window.Controls().Find(window_id::kStartButton)->isEnabled(); },
               kMinuteMs)) {
      std::fprintf(stderr, "orvex-screenshots: the simulated cutter did not become ready\n");
      return 1;
    }
    Drive([] { return false; }, 2000);
    ShowLiveFrames();
    if (french) return Save(&window, "main-window-fr") ? 0 : 1;
    Save(&window, "main-window");

    auto reject = [](QWidget* modal) { modal->close(); };
    ShootModal("splash", [&] { window.ShowSplash("Version 9.8.0"); }, reject);
    ShootModal(
        "options", [&] { Click(&window, window_id::kMoreOptionsButton); },
        [&](QWidget* options) {
          ShootModal("jobs-report", [&] { Click(options, 1119); }, reject);
          options->close();
        });
    ShootModal("service", [&] { window.menuBar()->actions().front()->menu()->actions().front()->trigger(); },
               reject);
    ShootModal("calibration", [&] { Click(&window, window_id::kCalibrationButton); }, reject);

    Click(&window, window_id::kStartButton);
    Drive([&] { return model.Run().runPhase == 2 && model.Run().waitingForMark != 0; },
          10 * kMinuteMs);
    ShowLiveFrames();
    Save(&window, "run-in-progress");
    return 0;
  }

 private:
  QString out_;
  std::unique_ptr<OrvexApplication> app_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvex-screenshots OUTDIR\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  const std::filesystem::path work = std::filesystem::path(argv[1]) / "workdir";
  std::filesystem::remove_all(work / "english");
  std::filesystem::remove_all(work / "french");
  std::filesystem::create_directories(work / "english");
  std::filesystem::create_directories(work / "french");
  int code = Shooter(out, work / "english").Run(false);

  QTranslator french;
  if (!french.load(QStringLiteral(":/i18n/orvex_fr.qm"))) {
    std::fprintf(stderr, "orvex-screenshots: no French translation built in\n");
    return 1;
  }
  QApplication::installTranslator(&french);
  code |= Shooter(out, work / "french").Run(true);
  return code;
}
