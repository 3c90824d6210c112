// The simulated camera: renders the 640x480 BGR view (bottom row first, as CameraFrame) of the
// printed sheet under the camera at the head's position, with paper, ink and bed greys, a slight
// illumination gradient, about a pixel of blur and noise, and streams it every frame period to
// the FrameSink behind the FrameSource port. It can be absent, deliver no frames, or render
// frames without the marks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/frame_source.h"
#include "sim/sim_bed.h"
#include "sim/sim_clock.h"

namespace orvex::sim {

struct SimCameraSettings {
  bool present = true;
  bool deliversFrames = true;  // false: the stream starts but no frame ever arrives
  bool showsMarks = true;      // false: frames show the sheet without its marks
  // Where the camera's optical axis (pixel 320, 240) lies from the blade, in 0.1 mm: a fixed
  // part of the head, 8 mm behind the blade along the feed and 70.1 mm across towards the far
  // media edge (a calibration stores about 75 and 99 for it).
  double offsetFeedTenths = -80.0;
  double offsetCrossTenths = 701.0;
  int mpix = 51;  // pixels per 4 mm
  int paperGrey = 215;
  int inkGrey = 30;
  int bedGrey = 70;  // the bed around a sheet whose outline is known
  int filmGrey = 35;  // the dark film on the bare bed, where the calibration square is cut
  double gradient = 14.0;  // grey levels of illumination fall-off corner to corner
  double blurSigmaPx = 0.8;
  double noiseSigma = 2.5;  // grey levels
  std::uint32_t noiseSeed = 7;
  int framePeriodMs = 200;
  std::string devicePath = "\\\\?\\usb#vid_0c45&pid_6001#simcamera";
  std::string friendlyName = "USB 2.0 Camera";
};

// A position in the frame, buffer coordinates (column, row from the start of the buffer).
struct PixelPoint {
  double col = 0.0;
  double row = 0.0;
};

class SimCamera : public FrameSource {
 public:
  SimCamera(SimClock& clock, SimBed& bed, SimCameraSettings settings = {});
  ~SimCamera() override;

  // FrameSource
  std::vector<CaptureDeviceInfo> ListDevices() override;
  int Start(const CaptureDeviceInfo& device, FrameSink& sink, int& frameWidth,
            int& frameHeight) override;
  void Stop() override;
  bool SetExposureToDefault() override { return settings_.present; }
  bool ReadExposure(int& value) override;
  bool SetBrightness(int value) override;

  SimCameraSettings& Settings() { return settings_; }
  int FramesDelivered() const { return framesDelivered_; }
  int Brightness() const { return brightness_; }

  // Millimetres per pixel.
  double Scale() const { return 4.0 / settings_.mpix; }
  // A frame taken now is analysed: a look beyond the media is a problem of the bed's.
  void NoteLook();
  // The machine point on the camera's optical axis now.
  MachinePoint ViewCentre() const;
  // Where a point of the sheet on the bed shows in a frame taken now (pixel centres at whole
  // numbers). Without a sheet on the bed the job point is taken as a machine point.
  PixelPoint Predict(JobPoint p) const;
  // Renders the present view into `bytes` (640 x 480 x 3).
  void Render(std::vector<std::uint8_t>& bytes);

 private:
  // The frame area that received ink.
  struct Box {
    int c0 = 1 << 20, c1 = -1, r0 = 1 << 20, r1 = -1;
    void Add(int col, int row) {
      if (col < c0) c0 = col;
      if (col > c1) c1 = col;
      if (row < r0) r0 = row;
      if (row > r1) r1 = row;
    }
    bool Empty() const { return c1 < c0; }
  };
  static constexpr std::size_t kNoiseTable = std::size_t{1} << 18;

  void RenderCoverage(std::vector<float>& coverage, Box& inked) const;
  // Darkens, in clean_, what lies off the paper when the sheet's outline is known.
  void RenderBed(MachinePoint centre);
  void DeliverFrame();
  std::uint64_t NextRandom();

  SimClock& clock_;
  SimBed& bed_;
  SimCameraSettings settings_;
  FrameSink* sink_ = nullptr;
  SimClock::EventId frameEvent_ = 0;
  int framesDelivered_ = 0;
  int brightness_ = 0;
  std::uint64_t noiseState_;
  std::vector<std::uint8_t> frame_;
  // The noiseless picture of the last view, reused while nothing under the camera moved.
  std::vector<float> clean_;
  std::vector<float> background_;  // paper only, under the light
  std::vector<float> light_;
  std::vector<float> coverage_;
  std::vector<float> noise_;
  bool cleanValid_ = false;
  MachinePoint cleanCentre_;
  int cleanSheet_ = -2;
  std::size_t cleanCuts_ = 0;
  std::string cleanKey_;
};

}  // namespace orvex::sim
