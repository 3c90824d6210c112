// Runs the built orvex-cli through the shell, as an operator's script would, and keeps what it
// printed and its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

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
  const std::string command = environment + " " +
                              Quoted(std::string(ORVEX_BINARY_DIR) + "/bin/orvex-cli") + " " +
                              arguments + (errors == Stderr::kJoined ? " 2>&1" : " 2>/dev/null");
  CliOutcome run;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

inline int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

}  // namespace orvex::test
