// The loader's side of the main window and of the machines around it. The loader never touches
// a widget: it asks this port for the file, shows messages, reads and sets the few controls a
// load involves, and calls hooks for the parts that later layers own (camera graph, recent-job
// settings, the special-mode handler). The GUI implements it over Qt, orvex-cli answers the file
// dialog with its argument, tests keep the calls in memory.
#pragma once

#include "core/message_icon.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// Controls of the main window that a load reads or sets.
namespace control {
inline constexpr int kCurrentJobLabel = 1011;
inline constexpr int kStartButton = 1024;
inline constexpr int kCount = 1027;
inline constexpr int kSpecialCutForce = 1034;
inline constexpr int kSpacing = 1044;
inline constexpr int kSpecialCutLength = 1067;
inline constexpr int kSpecialUpLength = 1071;
inline constexpr int kMarkMode = 1072;
inline constexpr int kSpecialSpeed = 1073;
inline constexpr int kSpecialMode = 1101;
inline constexpr int kMultiple = 1103;
}  // namespace control

struct FileFilter {
  std::string label;    // "(*.AI *.EPS)"
  std::string pattern;  // "*.AI;*.EPS"
};

enum class MessageCaption {
  kPlatformDefault,   // whatever the windowing system shows when no caption is given
  kApplicationTitle,  // the main window's title
  kGiven,             // OperatorMessage::caption
};

struct OperatorMessage {
  std::string text;
  MessageCaption captionKind = MessageCaption::kApplicationTitle;
  std::string caption;
  MessageIcon icon = MessageIcon::kNone;
  // Task-modal, in the foreground, without an owner window (the mark error).
  bool taskModal = false;
};

class LoaderView {
 public:
  virtual ~LoaderView() = default;

  // The open-file dialog. Returns true and the chosen full path when the operator pressed OK.
  virtual bool AskOpenFile(const std::vector<FileFilter>& filters, std::string& path) = 0;
  // A modal message box; returns when the operator closed it.
  virtual void ShowMessage(const OperatorMessage& message) = 0;
  // A warning the operator must answer before the load goes on (a graphic cut short): true
  // loads it. Views without an operator take the file; the warning is in the load's report.
  virtual bool ConfirmWarning(const OperatorMessage& message) {
    (void)message;
    return true;
  }

  virtual void SetControlText(int id, std::string_view text) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;
  virtual int ComboSelection(int id) = 0;
  virtual void SetComboSelection(int id, int index) = 0;
  // The window member bound to a numeric edit field.
  virtual int FieldValue(int id) = 0;
  virtual void SetFieldValue(int id, int value) = 0;
  // Shows the window's members in its controls.
  virtual void MembersToControls() = 0;

  // Hooks the later layers fill in; a headless load needs none of them.
  // The cutter status area shows that a load happened.
  virtual void RefreshStatusDisplay() {}
  // The special-mode handler, run after the loader set the mode to its first entry for a job
  // without special paths. Inside a load it must not load again.
  virtual void SpecialModeChangedDuringLoad() {}
  // Repaints the whole window, the preview included.
  virtual void RepaintAll() {}
};

// The camera's capture graph: torn down and rebuilt for the camera a new job needs.
class CameraGraphControl {
 public:
  virtual ~CameraGraphControl() = default;
  virtual void TearDown() {}
  virtual void Rebuild() {}
  // Re-applies the two camera settings once the window has been repainted.
  virtual void RefreshSettings() {}
};

// The per-job settings kept from earlier runs of the same graphic.
class RecentJobs {
 public:
  virtual ~RecentJobs() = default;
  // Restores the window fields stored for `jobPath`, if any.
  virtual void RestoreFor(const std::string& jobPath) { (void)jobPath; }
};

}  // namespace orvex
