// Runs the built orvex-cli through the shell, as an operator's script would, and keeps what it
// printed and its exit status.
#pragma once

#include <chrono>
#include <string>

#include "platform/child_process.h"

namespace orvex::test {

struct CliOutcome {
  int status = -1;
  std::string out;
};

// `text` single-quoted for the shell.
inline std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

enum class Stderr { kJoined, kDropped };

// `orvex-cli <arguments>`, with `environment` (NAME=value ...) in front.
inline CliOutcome RunCli(const std::string& arguments, Stderr errors = Stderr::kJoined,
                         const std::string& environment = "") {
  const ChildOutcome run = RunChildProcess(
      {"/bin/sh", "-c",
       environment + " " + Quoted(std::string(ORVEX_BINARY_DIR) + "/bin/orvex-cli") + " " +
           arguments + (errors == Stderr::kJoined ? "" : " 2>/dev/null")},
      std::chrono::minutes(10));
  return {run.exitCode, run.output};
}

}  // namespace orvex::test
