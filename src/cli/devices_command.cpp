// orvex-cli devices: the first command a technician runs at a new machine. It lists the cutters,
// the feeder and the cameras this user can open, and every device that is there but will not
// open, with the reason and what to do. Nothing is found is not an error: the list is the answer.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "platform/device_survey.h"
#include "platform/hidapi_feeder_transport.h"
#include "platform/libusb_cutter_transport.h"
#include "platform/v4l2_frame_source.h"

namespace orvex::cli {

const char* const kDevicesUsage = "devices [--json]";

namespace {

std::string Json(const DeviceSurvey& survey) {
  std::string out = "{\"cutters\": [";
  for (std::size_t i = 0; i < survey.cutters.size(); ++i) {
    if (i > 0) out += ", ";
    out += "{\"path\": " + JsonString(survey.cutters[i].path) +
           ", \"model\": " + std::to_string(survey.cutters[i].model) + "}";
  }
  out += "], \"feeders\": [";
  for (std::size_t i = 0; i < survey.feeders.size(); ++i) {
    if (i > 0) out += ", ";
    out += "{\"path\": " + JsonString(survey.feeders[i]) + "}";
  }
  out += "], \"cameras\": [";
  for (std::size_t i = 0; i < survey.cameras.size(); ++i) {
    const SurveyedCamera& camera = survey.cameras[i];
    if (i > 0) out += ", ";
    out += "{\"path\": " + JsonString(camera.path) + ", \"name\": " + JsonString(camera.name) +
           ", \"product\": " + JsonString(camera.product) + "}";
  }
  out += "], \"problems\": [";
  for (std::size_t i = 0; i < survey.problems.size(); ++i) {
    const DeviceProblem& problem = survey.problems[i];
    if (i > 0) out += ", ";
    out += "{\"device\": " + JsonString(problem.device) +
           ", \"reason\": " + JsonString(problem.reason) +
           ", \"hint\": " + JsonString(problem.hint) + "}";
  }
  return out + "]}\n";
}

std::string Text(const DeviceSurvey& survey) {
  std::string out;
  for (const SurveyedCutter& cutter : survey.cutters) {
    out += "cutter  " + cutter.path + "  model " + std::to_string(cutter.model) + "\n";
  }
  for (const std::string& feeder : survey.feeders) out += "feeder  " + feeder + "\n";
  for (const SurveyedCamera& camera : survey.cameras) {
    out += "camera  " + camera.path + "  \"" + camera.name + "\"";
    if (!camera.product.empty()) out += "  product " + camera.product;
    out += "\n";
  }
  if (survey.cutters.empty()) out += "no cutter found\n";
  if (survey.feeders.empty()) out += "no feeder found\n";
  if (survey.cameras.empty()) out += "no camera found\n";
  for (const DeviceProblem& problem : survey.problems) {
    out += "problem " + problem.device + ": " + problem.reason + ": " + problem.hint + "\n";
  }
  return out;
}

}  // namespace

int RunDevices(const Arguments& args) {
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else {
      std::fprintf(stderr, "orvex-cli devices: unknown argument '%s'\nusage: orvex-cli %s\n",
                   arg.c_str(), kDevicesUsage);
      return kExitUsage;
    }
  }
  LibusbCutterTransport cutters;
  HidapiFeederTransport feeders;
  V4l2FrameSource cameras;
  const DeviceSurvey survey = SurveyDevices(cutters, feeders, cameras);
  const std::string out = json ? Json(survey) : Text(survey);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitOk;
}

}  // namespace orvex::cli
