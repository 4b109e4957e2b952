// The figures of whole processes: the console start-up and its peak memory, and the Qt
// start-up to the first painted main window, each beside its baseline program. Measured and
// baseline runs alternate, the order swapped every repetition, and the medians are reported.
//
//   process_figures BIN_DIR BENCH_DIR REPETITIONS
//
// BIN_DIR holds quorvel; BENCH_DIR the baseline programs and the Qt start-up probe.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/figures.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

long long Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Run {
  double wallMs;        // from the start to the end of the process
  double maxRssMiB;     // its peak resident memory
  std::string output;   // what it printed
};

// Runs a program with these extra environment variables, input closed and output caught,
// and fails loudly when it does not end with status 0.
Run Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env = extraEnv;
  for (char** variable = environ; *variable != nullptr; ++variable) env.emplace_back(*variable);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& entry : args) argp.push_back(entry.data());
  argp.push_back(nullptr);

  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);

  const long long start = Now();
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (error != 0) {
    close(pipeFds[0]);
    throw std::runtime_error("cannot start " + argv[0]);
  }
  Run run{};
  char buffer[4096];
  ssize_t got;
  while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) run.output.append(buffer, got);
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wallMs = static_cast<double>(Now() - start) / 1e6;
  run.maxRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(argv[0] + " ended with status " + std::to_string(status));
  }
  // The start time rides along, so that a probe's printed time can be taken from it.
  run.output = std::to_string(start) + "\n" + run.output;
  return run;
}

// The probe prints the monotonic time of its first paint; the figure is its distance from
// the start of the process.
double MsToFirstPaint(const Run& run) {
  const std::size_t lineEnd = run.output.find('\n');
  const long long start = std::stoll(run.output.substr(0, lineEnd));
  const long long painted = std::stoll(run.output.substr(lineEnd + 1));
  return static_cast<double>(painted - start) / 1e6;
}

// Peak memory is read through a shell that replaces itself by the program: a program started
// straight from this one would count this one's memory, which it holds until it starts.
Run SpawnForMemory(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<std::string> viaShell = {"/bin/sh", "-c", "exec \"$0\" \"$@\""};
  viaShell.insert(viaShell.end(), argv.begin(), argv.end());
  return Spawn(viaShell, env);
}

struct Programs {
  fs::path bin;
  fs::path benchDir;
};

// The start-up figures on a machine folder below `base`. A fresh folder is set up by one run
// of each program first: the built-in machine as its first run leaves it, with the profile's
// registry written out when the service was created and the list of running services.
void StartUpFigures(const Programs& programs, const fs::path& base, const std::string& where,
                    int repetitions, bool withMemory) {
  const fs::path consoleMachine = base / ("quorvel-bench-console-" + std::to_string(getpid()));
  const fs::path qtMachine = base / ("quorvel-bench-qt-" + std::to_string(getpid()));
  fs::create_directories(consoleMachine);
  fs::create_directories(qtMachine);
  // The folders go when the figures are done or a run fails.
  struct Remove {
    std::vector<fs::path> folders;
    ~Remove() {
      std::error_code ignored;
      for (const fs::path& folder : folders) fs::remove_all(folder, ignored);
    }
  } remove{{consoleMachine, qtMachine}};
  const std::vector<std::string> quorvel = {(programs.bin / "quorvel").string()};
  const std::vector<std::string> readFiles = {(programs.benchDir / "read_machine_files").string(),
                                              consoleMachine.string()};
  const std::vector<std::string> consoleEnv = {"QUORVEL_UI=console",
                                               "QUORVEL_MACHINE=" + consoleMachine.string()};
  const std::vector<std::string> qtProbe = {(programs.benchDir / "qt_first_paint").string()};
  const std::vector<std::string> emptyWindow = {(programs.benchDir / "empty_qt_window").string()};
  const std::vector<std::string> qtEnv = {"QUORVEL_UI=qt", "QT_QPA_PLATFORM=offscreen",
                                          "QUORVEL_MACHINE=" + qtMachine.string()};
  Spawn(quorvel, consoleEnv);
  Spawn(qtProbe, qtEnv);

  std::vector<double> startup, startupBase, rss, rssBase, paint, paintBase;
  for (int i = 0; i < repetitions; ++i) {
    const bool baselineFirst = i % 2 == 1;
    if (baselineFirst) startupBase.push_back(Spawn(readFiles, {}).wallMs);
    startup.push_back(Spawn(quorvel, consoleEnv).wallMs);
    if (!baselineFirst) startupBase.push_back(Spawn(readFiles, {}).wallMs);

    if (baselineFirst) paintBase.push_back(MsToFirstPaint(Spawn(emptyWindow, qtEnv)));
    paint.push_back(MsToFirstPaint(Spawn(qtProbe, qtEnv)));
    if (!baselineFirst) paintBase.push_back(MsToFirstPaint(Spawn(emptyWindow, qtEnv)));

    if (withMemory) {
      rss.push_back(SpawnForMemory(quorvel, consoleEnv).maxRssMiB);
      rssBase.push_back(SpawnForMemory(readFiles, {}).maxRssMiB);
    }
  }
  const double s = bench::Median(startup), sb = bench::Median(startupBase);
  bench::PrintFigure("start-up to the rendered table and back, console, machine folder " + where,
                     bench::Milliseconds(s), bench::Milliseconds(sb), s / sb, "<= 3");
  const double p = bench::Median(paint), pb = bench::Median(paintBase);
  bench::PrintFigure("start to the first painted main window, Qt offscreen, machine folder " + where,
                     bench::Milliseconds(p), bench::Milliseconds(pb), p / pb, "<= 1.2");
  if (withMemory) {
    const double m = bench::Median(rss), mb = bench::Median(rssBase);
    bench::PrintFigure("peak memory of a console run", bench::Mebibytes(m), bench::Mebibytes(mb),
                       m / mb, "<= baseline + 8 MiB");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s BIN_DIR BENCH_DIR REPETITIONS\n", argv[0]);
    return 2;
  }
  const Programs programs{argv[1], argv[2]};
  const int repetitions = std::atoi(argv[3]);
  try {
    // The machine folder lies on the disk as it does for a person. Every run creates,
    // starts, stops and deletes the driver service, and the machine writes each change to
    // the disk before it goes on; the same figures in memory show the program's own part.
    StartUpFigures(programs, fs::temp_directory_path(), "on disk", repetitions, true);
    if (fs::is_directory("/dev/shm")) {
      StartUpFigures(programs, "/dev/shm", "in memory", repetitions, false);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "process_figures: %s\n", error.what());
    return 1;
  }
  return 0;
}
