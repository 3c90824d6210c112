#include "sim/twin_camera.h"

#include <string>

namespace orvex::sim {

void TwinCamera::ShowError(std::string_view message) {
  bed_.NoteProblem("the camera said: " + std::string(message));
}

void TwinCamera::EndProcess(int exitCode) {
  bed_.NoteProblem("the program would have ended with exit code " + std::to_string(exitCode));
}

}  // namespace orvex::sim
