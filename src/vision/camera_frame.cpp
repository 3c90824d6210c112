// Blank frames for the code that draws into one (tests, the simulated camera).
#include "vision/camera_frame.h"

namespace orvex {

CameraFrame MakeStandardFrame() {
  CameraFrame frame;
  frame.width = kFrameWidth;
  frame.height = kFrameHeight;
  frame.bytes.assign(kFrameBytes, 0);
  return frame;
}

}  // namespace orvex
