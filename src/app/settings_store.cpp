// The settings store: one function per reading place, so each keeps its own defaults.
#include "app/settings_store.h"

#include <cmath>
#include <limits>

namespace orvex {
namespace {

// A real field turned into a stored integer. The field accepts any real the operator types;
// converting one outside int's range would be undefined, so it is held at the range's ends.
int ClampToInt(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLow = std::numeric_limits<int>::min();
  constexpr double kHigh = std::numeric_limits<int>::max();
  if (value <= kLow) return std::numeric_limits<int>::min();
  if (value >= kHigh) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

bool InchDisplay(double unitFactor) {
  return unitFactor != 1.0;
}

}  // namespace

int StoredFirstMarker(double firstMarker, double unitFactor) {
  if (!InchDisplay(unitFactor)) return ClampToInt(std::trunc(firstMarker));
  // Rounded, not truncated: the inch field holds floor(mm / 0.254) / 100, a little less than
  // the millimetres it came from, and truncating that back would lose a millimetre per restart.
  return ClampToInt(std::round(firstMarker * unitFactor));
}

double DisplayedFirstMarker(double storedMillimetres, double unitFactor) {
  if (!InchDisplay(unitFactor)) return storedMillimetres;
  return std::floor(storedMillimetres / 0.254) / 100;
}

double MarkScaleFor(int markSize) {
  return 4.0 / markSize;
}

int SettingsStore::Read(std::string_view key, int defaultValue) {
  return profile_.ReadInt(kProfileSection, key, defaultValue);
}

void SettingsStore::Write(std::string_view key, int value) {
  if (!profile_.WriteInt(kProfileSection, key, value)) allWritten_ = false;
}

void SettingsStore::LoadStartupOffsets(RunContext& run) {
  run.cameraOffsetX = Read(key::kDeltaX, 80);
  run.cameraOffsetY = Read(key::kDeltaY, 111);
  run.defaultSpeed = Read(key::kDefSpeed, 50);
}

void SettingsStore::LoadStartupRest(RunContext& run, MainWindowFields& fields) {
  int markSize = Read(key::kMpix, kFallbackMarkSize);
  if (markSize < kMinMarkSize) markSize = kFallbackMarkSize;
  run.markSize = markSize;
  run.markScale = MarkScaleFor(markSize);
  fields.firstMarker = Read(key::kHetichetta, 45);
  fields.cutForce = Read(key::kForce, 7);
  run.bigLabel = Read(key::kBigLabel, 390);
  run.unitFlag = Read(key::kUm, 1);
  run.reverseOrder = Read(key::kReverse, 0);
  fields.uplift = Read(key::kDiscesa, 0);
  fields.insertion = Read(key::kInser, 0);
  fields.dashCutLength = Read(key::kLtaglio, 360);
  fields.dashUpLength = Read(key::kDente, 5);
  fields.dashForce = Read(key::kForceD, 14);
  fields.height = Read(key::kKAlto, 0);
  // Keyless fields start from the same values at every start-up.
  fields.dashSpeed = 10;
  fields.specialSpeed = 12;
  fields.copies = 1;
  fields.spacing = 5;
  fields.specialCutLength = Read(key::kLtaglioS, 30);
  fields.specialUpLength = Read(key::kDenteS, 20);
  fields.specialForce = Read(key::kForceS, 7);
  fields.lastJob = ReadLastJob();
}

void SettingsStore::LoadActiveOffsets(RunContext& run, int firstXDefault, int secondXDefault) {
  // Both callers default Y to 99; only the X defaults differ between File Open and Cut Test.
  if (run.secondCamera != 0) {
    run.cameraOffsetX = Read(key::kDeltaXC2, secondXDefault);
    run.cameraOffsetY = Read(key::kDeltaYC2, 99);
  } else {
    run.cameraOffsetX = Read(key::kDeltaX, firstXDefault);
    run.cameraOffsetY = Read(key::kDeltaY, 99);
  }
}

void SettingsStore::LoadOffsetsForCutTest(RunContext& run) {
  LoadActiveOffsets(run, 180, 180);
}

ServiceSettings SettingsStore::ReadForServiceDialog(const RunContext& run) {
  ServiceSettings values;
  values.markSize = Read(key::kMpix, 45);
  if (run.secondCamera != 0) {
    values.offsetX = Read(key::kDeltaXC2, 180);
    values.offsetY = Read(key::kDeltaYC2, 99);
  } else {
    values.offsetX = Read(key::kDeltaX, 80);
    values.offsetY = Read(key::kDeltaY, 99);
  }
  values.brightness = Read(key::kLum, 0);
  values.slowLabelLength = Read(key::kBigLabel, 390);
  values.unitFlag = Read(key::kUm, 1);
  values.reverse = Read(key::kReverse, 0);
  return values;
}

int SettingsStore::ReadBrightness() {
  return Read(key::kLum, 0);
}

std::string SettingsStore::ReadLastJob() {
  return profile_.ReadString(kProfileSection, key::kLastJob, "-");
}

void SettingsStore::WriteActivePair(const RunContext& run, int offsetX, int offsetY) {
  if (run.secondCamera != 0) {
    Write(key::kDeltaXC2, offsetX);
    Write(key::kDeltaYC2, offsetY);
  } else {
    Write(key::kDeltaX, offsetX);
    Write(key::kDeltaY, offsetY);
  }
}

bool SettingsStore::WriteAtStart(RunContext& run, const MainWindowFields& fields) {
  allWritten_ = true;
  ProfileBatch batch(profile_);
  if (run.markMode != 2) {
    run.cameraOffsetX += fields.xCorrection;
    run.cameraOffsetY += fields.yCorrection;
    WriteActivePair(run, run.cameraOffsetX, run.cameraOffsetY);
  }
  Write(key::kHetichetta, StoredFirstMarker(fields.firstMarker, run.unitFactor));
  Write(key::kForce, fields.cutForce);
  if (!profile_.WriteString(kProfileSection, key::kLastJob, run.currentJobPath)) {
    allWritten_ = false;
  }
  if (fields.dashCutLength > 0 && fields.dashCutLength < 1000) {
    Write(key::kLtaglio, fields.dashCutLength);
  }
  if (fields.dashUpLength > 0 && fields.dashUpLength < 100) Write(key::kDente, fields.dashUpLength);
  Write(key::kKAlto, fields.height);
  return batch.End() && allWritten_;
}

void SettingsStore::WriteAtClose(const MainWindowFields& fields) {
  ProfileBatch batch(profile_);
  Write(key::kDiscesa, fields.uplift);
  Write(key::kInser, fields.insertion);
}

void SettingsStore::WriteOptions(int defaultSpeed, int reverse) {
  ProfileBatch batch(profile_);
  Write(key::kDefSpeed, defaultSpeed);
  Write(key::kReverse, reverse);
}

void SettingsStore::WriteServiceSet(const RunContext& run, const ServiceSettings& values) {
  ProfileBatch batch(profile_);
  Write(key::kMpix, values.markSize);
  Write(key::kLum, values.brightness);
  Write(key::kBigLabel, values.slowLabelLength);
  WriteActivePair(run, values.offsetX, values.offsetY);
  Write(key::kUm, values.unitFlag);
  Write(key::kReverse, values.reverse);
}

void SettingsStore::WriteCalibration(RunContext& run, int offsetX, int offsetY) {
  if (run.secondCamera != 0) {
    Write(key::kDeltaXC2, offsetX);
    Write(key::kDeltaYC2, offsetY);
  } else {
    Write(key::kDeltaY, offsetY);
    Write(key::kDeltaX, offsetX);
  }
  run.cameraOffsetX = offsetX;
  run.cameraOffsetY = offsetY;
}

}  // namespace orvex
