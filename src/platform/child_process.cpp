// Child processes through posix_spawn: no shell, own process group, drained output, time limit.
#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

extern char** environ;

namespace orvex {
namespace {

constexpr std::size_t kOutputKept = 64 * 1024;
constexpr int kPollSliceMs = 50;

void KeepTail(std::string& output, const char* data, std::size_t size) {
  output.append(data, size);
  if (output.size() > 2 * kOutputKept) output.erase(0, output.size() - kOutputKept);
}

void CloseIfOpen(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void RecordStatus(int status, ChildOutcome& outcome) {
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
}

}  // namespace

bool IsExecutableFile(const std::filesystem::path& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

std::filesystem::path FindOnPath(const std::string& name, const std::string& pathList) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  std::size_t begin = 0;
  while (begin <= pathList.size()) {
    std::size_t end = pathList.find(':', begin);
    if (end == std::string::npos) end = pathList.size();
    const std::string dir = pathList.substr(begin, end - begin);
    // An empty entry means the current directory; a converter is never taken from there.
    if (!dir.empty()) {
      std::filesystem::path candidate = std::filesystem::path(dir) / name;
      if (IsExecutableFile(candidate)) return candidate;
    }
    begin = end + 1;
  }
  return {};
}

std::filesystem::path RunningExecutableDirectory() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return self.parent_path();
}

ChildOutcome RunChildProcess(const std::vector<std::string>& argv,
                             std::chrono::milliseconds timeLimit) {
  ChildOutcome outcome;
  if (argv.empty() || argv[0].empty()) return outcome;

  int pipeFds[2] = {-1, -1};
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return outcome;

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  // Its own process group, so that the kill at the time limit also reaches its children.
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  // Whatever the caller's threads block (Qt blocks some) is not the converter's business.
  sigset_t unblocked;
  sigemptyset(&unblocked);
  posix_spawnattr_setsigmask(&attributes, &unblocked);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  pid_t pid = -1;
  const int spawnError = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, args.data(),
                                       environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  CloseIfOpen(pipeFds[1]);
  if (spawnError != 0) {
    CloseIfOpen(pipeFds[0]);
    return outcome;
  }
  outcome.started = true;

  const auto deadline = std::chrono::steady_clock::now() + timeLimit;
  bool exited = false;
  bool statusKnown = true;
  int status = 0;
  char chunk[8192];
  while (true) {
    if (pipeFds[0] >= 0) {
      pollfd reader{pipeFds[0], POLLIN, 0};
      const int ready = ::poll(&reader, 1, kPollSliceMs);
      if (ready > 0) {
        const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
        if (got > 0) {
          KeepTail(outcome.output, chunk, static_cast<std::size_t>(got));
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
          CloseIfOpen(pipeFds[0]);  // end of output: every writer has gone
        }
      }
    } else {
      ::usleep(kPollSliceMs * 1000);
    }
    if (!exited) {
      const pid_t done = ::waitpid(pid, &status, WNOHANG);
      if (done == pid) exited = true;
      // Reaped behind our back (SIGCHLD ignored): it has ended, how is not known.
      if (done < 0 && errno == ECHILD) {
        exited = true;
        statusKnown = false;
      }
    }
    // Finished when the child has exited and its output is drained (or is held open by a
    // grandchild, which the group kill below ends).
    if (exited && pipeFds[0] < 0) break;
    if (exited) {
      pollfd reader{pipeFds[0], POLLIN, 0};
      if (::poll(&reader, 1, 0) <= 0) break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      if (!exited) outcome.timedOut = true;
      break;
    }
  }
  // A child still running, or one that left something behind holding its output open, is
  // ended with its whole group. (While the child is unreaped, or a member lives on, the group
  // id cannot have been given to anybody else.)
  if (!exited || pipeFds[0] >= 0) ::kill(-pid, SIGKILL);
  if (!exited) {
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  CloseIfOpen(pipeFds[0]);
  if (!outcome.timedOut && statusKnown) RecordStatus(status, outcome);
  return outcome;
}

}  // namespace orvex
