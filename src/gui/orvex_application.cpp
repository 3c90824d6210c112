#include "gui/orvex_application.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <system_error>

#include "app/service_dialog.h"
#include "app/startup.h"
#include "gui/real_station.h"
#include "gui/service_window.h"
#include "platform/work_dir_location.h"

namespace orvex::gui {

namespace {

// The simulated machine keeps its jobs, snapshots and settings apart from the real machine's,
// so a rehearsal never changes the calibration the cutter was set up with.
constexpr const char* kSimulatedWorkDir = "simulated";
constexpr const char* kSimulatedSettings = "orvex.conf";

std::unique_ptr<Station> MakeStation(MainWindow& window, const ProgramOptions& options,
                                     const std::filesystem::path& workDir,
                                     SimulatedStation::Time time) {
  if (!options.simulate) return std::make_unique<RealStation>(window, workDir, options.settings);
  const std::string settings =
      options.settings.empty() ? (workDir / kSimulatedSettings).string() : options.settings;
  return std::make_unique<SimulatedStation>(window, options.station, time, options.speed,
                                            workDir, settings);
}

void InstallTranslation(QApplication& app, QTranslator& translator) {
  if (translator.load(QLocale(), QStringLiteral("orvex"), QStringLiteral("_"),
                      QStringLiteral(":/i18n"))) {
    app.installTranslator(&translator);
  }
}

}  // namespace

OrvexApplication::OrvexApplication(const ProgramOptions& options,
                                   const std::filesystem::path& workDir,
                                   SimulatedStation::Time time, const QDBusConnection& sleepBus)
    : options_(options),
      sleep_(sleepBus,
             [this](const QString& reason) {
               window_.ShowRunNote(MainWindow::tr("the PC may go to sleep (%1)").arg(reason));
             }),
      station_(MakeStation(window_, options, workDir, time)) {
  MainWindowModel& model = station_->Model();
  window_.Attach(model);
  model.SetSleepInhibitor(&sleep_);
  // Closed while a sheet was being registered: the run loop ends the program at its next tick.
  model.SetExitHandler([](int code) { QCoreApplication::exit(code); });
  window_.SetAboutHandler([this] { OpenServiceDialog(); });
  if (!options_.job.empty()) {
    std::error_code error;
    const std::filesystem::path job = std::filesystem::absolute(options_.job, error);
    window_.SetNextOpenAnswer(error ? options_.job : job.string());
  }
}

OrvexApplication::~OrvexApplication() = default;

SimulatedStation* OrvexApplication::Simulated() {
  return dynamic_cast<SimulatedStation*>(station_.get());
}

void OrvexApplication::Start() {
  window_.show();
  MainWindowModel& model = station_->Model();
  model.Initialise();
  station_->StartTimer();
  if (!options_.job.empty()) model.OnFileOpen();
}

void OrvexApplication::OpenServiceDialog() {
  ServiceDialog dialog(station_->Run(), station_->Store());
  MainWindowModel& model = station_->Model();
  RunServiceWindow(
      &window_, dialog, [&model] { model.OnInitCutter(); },
      [this] { return static_cast<int>(station_->Run().feederFirmware); });
}

std::filesystem::path PrepareWorkDir(const ProgramOptions& options, std::string& problem) {
  std::filesystem::path dir = options.workDir.empty()
                                  ? (options.simulate ? DefaultWorkDir() / kSimulatedWorkDir
                                                      : DefaultWorkDir())
                                  : std::filesystem::path(options.workDir);
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    problem = "cannot make the working directory " + dir.string() + ": " + error.message();
    return {};
  }
  return dir;
}

int RunOrvex(int argc, char** argv) {
  ProgramOptions options;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (std::optional<std::string> problem = ParseProgramOptions(arguments, options)) {
    std::fprintf(stderr, "orvex: %s\n\n%s", problem->c_str(), ProgramHelp().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(ProgramHelp().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("orvex %s\n", std::string(kVersionText).c_str());
    return 0;
  }
  std::string problem;
  const std::filesystem::path workDir = PrepareWorkDir(options, problem);
  if (workDir.empty()) {
    std::fprintf(stderr, "orvex: %s\n", problem.c_str());
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvex"));
  QApplication::setOrganizationName(QStringLiteral("Kvo"));
  QApplication::setDesktopFileName(QStringLiteral("org.orvex.Orvex"));
  QTranslator translator;
  InstallTranslation(app, translator);

  OrvexApplication orvex(options, workDir);
  // Initialisation runs from the event loop, once the window can be painted: the splash and
  // any start-up message then stand over the window they belong to.
  QTimer::singleShot(0, &orvex.Window(), [&orvex] { orvex.Start(); });
  return QApplication::exec();
}

}  // namespace orvex::gui
