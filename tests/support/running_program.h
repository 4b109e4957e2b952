// The real program started in the background on the console protocol, for tests that act
// while it runs: they read its output up to a point, send it more input, then kill it or
// let it end by closing its input.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace testing_support {

class RunningProgram {
 public:
  // Starts the program with its standard error joined to its output.
  explicit RunningProgram(const std::filesystem::path& program) {
    int toProgram[2];
    int fromProgram[2];
    // Close-on-exec, so that a program started later holds no end of this one's pipes: its
    // input would not end when the test closes it.
    if (pipe2(toProgram, O_CLOEXEC) != 0 || pipe2(fromProgram, O_CLOEXEC) != 0) return;
    child_ = fork();
    if (child_ == 0) {
      dup2(toProgram[0], 0);
      dup2(fromProgram[1], 1);
      dup2(fromProgram[1], 2);
      close(toProgram[1]);
      close(fromProgram[0]);
      setenv("QUORVEL_UI", "console", 1);
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toProgram[0]);
    close(fromProgram[1]);
    input_ = toProgram[1];
    output_ = fromProgram[0];
  }
  ~RunningProgram() {
    if (child_ > 0) Kill();
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool Started() const { return child_ > 0; }

  void Send(const std::string& lines) {
    for (std::size_t done = 0; done < lines.size();) {
      const ssize_t wrote = write(input_, lines.data() + done, lines.size() - done);
      if (wrote <= 0) return;
      done += static_cast<std::size_t>(wrote);
    }
  }

  // Reads until the output holds `text` past what an earlier wait consumed; false when the
  // output ends or nothing comes for ten seconds without it.
  bool WaitFor(const std::string& text) {
    for (;;) {
      const std::size_t found = output.find(text, consumed_);
      if (found != std::string::npos) {
        consumed_ = found + text.size();
        return true;
      }
      pollfd ready{output_, POLLIN, 0};
      if (poll(&ready, 1, 10000) <= 0 || !ReadSome()) return false;
    }
  }

  void KillAfter(std::chrono::microseconds delay) {
    std::this_thread::sleep_for(delay);
    Kill();
  }

  // Kills the program at once, as a crash or a power cut ends it; true when the kill ended it.
  bool Kill() {
    kill(child_, SIGKILL);
    return Reap() == -SIGKILL;
  }

  // Closes the program's input, so that it ends as at the end of its input, reads the rest
  // of its output, and gives its exit status.
  int End() {
    CloseInput();
    while (ReadSome()) {
    }
    return Reap();
  }

  // All the program printed that has been read.
  std::string output;

 private:
  bool ReadSome() {
    char buffer[4096];
    const ssize_t got = read(output_, buffer, sizeof buffer);
    if (got <= 0) return false;
    output.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }

  // The exit status, or minus the signal that ended the program.
  int Reap() {
    CloseInput();
    int status = 0;
    waitpid(child_, &status, 0);
    child_ = -1;
    if (output_ >= 0) close(output_);
    output_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  pid_t child_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::size_t consumed_ = 0;
};

}  // namespace testing_support
