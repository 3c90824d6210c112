// What a technician needs to know at a new machine before the first run: the cutters, the
// feeder and the cameras this user can reach, and for each device that is there but will not
// open, why and what to do. Nothing is ever sent to a device: the feeder's one request feeds a
// sheet, so it is only opened and closed.
#pragma once

#include <string>
#include <vector>

#include "core/cutter_transport.h"
#include "core/feeder_transport.h"
#include "platform/v4l2_frame_source.h"

namespace orvex {

struct SurveyedCutter {
  std::string path;
  int model = 0;  // as CutterModel gives it
};

struct SurveyedCamera {
  std::string path;  // the video node
  std::string name;
  std::string product;  // four lower-case hex digits, empty off USB
};

struct DeviceProblem {
  std::string device;
  std::string reason;
  std::string hint;
};

struct DeviceSurvey {
  std::vector<SurveyedCutter> cutters;
  std::vector<std::string> feeders;
  std::vector<SurveyedCamera> cameras;
  std::vector<DeviceProblem> problems;
};

DeviceSurvey SurveyDevices(CutterTransport& cutters, FeederTransport& feeders,
                           V4l2FrameSource& cameras);

}  // namespace orvex
