// Runs a helper program as a child process: no shell (each argument reaches the program as it
// is, whatever spaces, quotes or semicolons it holds), its output drained so it never blocks on
// a full pipe, and a time limit after which it is killed with everything it started.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace orvex {

struct ChildOutcome {
  bool started = false;   // false: the program could not be run at all
  bool timedOut = false;  // killed at the time limit
  int exitCode = -1;      // the exit status when it exited normally, else -1
  int signal = 0;         // the signal that ended it, else 0
  std::string output;     // stdout and stderr together: their tail, 64 to 128 KiB of it
  bool Succeeded() const { return started && !timedOut && exitCode == 0; }
};

// argv[0] is the program's path (not looked up on PATH). Standard input is /dev/null.
ChildOutcome RunChildProcess(const std::vector<std::string>& argv,
                             std::chrono::milliseconds timeLimit);

// The first regular, executable file called `name` in the directories of a PATH-style list.
// Empty when there is none. A name holding a slash is not looked up.
std::filesystem::path FindOnPath(const std::string& name, const std::string& pathList);

// The directory of the running executable, empty when it cannot be told.
std::filesystem::path RunningExecutableDirectory();

bool IsExecutableFile(const std::filesystem::path& path);

}  // namespace orvex
