// The figures measured inside one process, with Google Benchmark: the table's rendering under
// Qt, the resource map scan, and saving and loading a list file, each beside its baseline.
// Every benchmark runs several repetitions, measured and baseline interleaved at random, and
// the figures take the median repetition.
//
//   quorvel_bench render|scan|listfile [REPETITIONS] [Google Benchmark flags...]
//
// Each group runs in a process of its own: the render group keeps a Qt window with the
// driver open, the others reset the machine between runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>

#include "app/Unit1.h"
#include "bench/figures.h"
#include "bench/resource_map_machine.h"
#include "ntsim/machine.h"
#include "vcl/ScriptFrontEnd.h"
#include "vcl/qt/QtFrontEnd.h"
#include "vcl/qt/QtWidgets.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return std::move(content).str();
}

// --- The table's rendering under Qt ---

// Counts the paints of the grid's cells.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
};

struct QtMainWindow {
  fs::path machine;
  vcl::qt::GridView* grid = nullptr;
  std::vector<QAbstractItemView*> views;  // the grid's scrolling part and its fixed parts
  PaintCounter counter;
};
QtMainWindow* qtMain = nullptr;

// Runs the event loop as it runs between two events until the grid has been painted.
bool PaintPending() {
  const int before = qtMain->counter.paints;
  for (int pass = 0; pass < 1000 && qtMain->counter.paints == before; ++pass) {
    QCoreApplication::processEvents();
  }
  return qtMain->counter.paints != before;
}

void SetUpQtMainWindow() {
  qtMain = new QtMainWindow;
  qtMain->machine = bench::NewTemporaryFolder("quorvel-bench-render");
  ::setenv("QUORVEL_MACHINE", qtMain->machine.c_str(), 1);
  ::setenv("QUORVEL_UI", "qt", 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  Application->CreateForm(Form1);
  Form1->Show();
  qtMain->grid = dynamic_cast<vcl::qt::GridView*>(vcl::qt::Current()->ObjectOf(*Form1->StringGrid1));
  qtMain->views.push_back(qtMain->grid);
  for (QAbstractItemView* part : qtMain->grid->findChildren<QAbstractItemView*>()) {
    qtMain->views.push_back(part);
  }
  qtMain->grid->viewport()->installEventFilter(&qtMain->counter);
  qtMain->grid->viewport()->update();
  PaintPending();
}

void TearDownQtMainWindow() {
  // Closing the window stops and removes the driver service, as at every normal end.
  Form1->Close();
  fs::remove_all(qtMain->machine);
}

// The log grows by two lines per rendering; it is emptied between repetitions so that its
// length does not grow with the number of iterations.
void EmptyLog() {
  Form1->Memo1->Lines()->Clear();
  vcl::qt::Current()->Flush();
  QCoreApplication::processEvents();
}

void Button1ClickQt(benchmark::State& state) {
  EmptyLog();
  for (auto _ : state) {
    Form1->Button1Click(nullptr);
    if (!PaintPending()) state.SkipWithError("the rendering painted nothing");
    state.PauseTiming();
    EmptyLog();
    state.ResumeTiming();
  }
}

void GridRepaintQt(benchmark::State& state) {
  for (auto _ : state) {
    for (QAbstractItemView* view : qtMain->views) view->viewport()->update();
    if (!PaintPending()) state.SkipWithError("the grid was not painted");
  }
}

// --- The resource map scan ---

std::map<int, fs::path> scanMachines;
std::unique_ptr<TForm1> scanForm;

void SetUpScanMachines() {
  for (const int devices : {64, 128, 256}) {
    scanMachines[devices] = bench::NewTemporaryFolder("quorvel-bench-scan");
    bench::WriteResourceMapMachine(scanMachines[devices], devices);
  }
  scanForm = std::make_unique<TForm1>(nullptr);
}

void TearDownScanMachines() {
  scanForm.reset();
  ntsim::testing::ResetMachine();
  for (const auto& [devices, folder] : scanMachines) fs::remove_all(folder);
}

// The scan as the program runs it at start-up: the machine is attached anew, so its first
// registry call reads registry.reg.
void Scan(benchmark::State& state) {
  const int devices = static_cast<int>(state.range(0));
  ::setenv("QUORVEL_MACHINE", scanMachines[devices].c_str(), 1);
  for (auto _ : state) {
    ntsim::testing::ResetMachine();
    for (TVectorUsage& usage : scanForm->VectorUsage) usage.Count = 0;
    scanForm->Button3Click(nullptr);
  }
  TStrings& log = *scanForm->Memo1->Lines();
  if (log[log.Count() - 1] != std::to_string(devices) + " devices detected ...") {
    state.SkipWithError(("the scan logged " + log[log.Count() - 1]).c_str());
  }
}

// Reads registry.reg and decodes every hex value in it into bytes: what any reader of the
// registry file must do at least.
std::size_t HexDecode(const std::string& text) {
  const auto digit = [](char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
  };
  std::vector<std::vector<unsigned char>> values;
  std::size_t at = 0;
  bool inHex = false;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!inHex) {
      const std::size_t hex = line.find("=hex");
      if (hex == std::string_view::npos || line.front() == '[') continue;
      line.remove_prefix(line.find(':', hex) + 1);
      values.emplace_back();
      inHex = true;
    }
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
      if (line[i] == ',' || line[i] == ' ') continue;
      values.back().push_back(static_cast<unsigned char>(digit(line[i]) << 4 | digit(line[i + 1])));
      ++i;
    }
    inHex = !line.empty() && line.back() == '\\';
  }
  std::size_t bytes = 0;
  for (const auto& value : values) bytes += value.size();
  return bytes;
}

void ReadAndHexDecode(benchmark::State& state) {
  const fs::path file = scanMachines[static_cast<int>(state.range(0))] / "registry.reg";
  for (auto _ : state) benchmark::DoNotOptimize(HexDecode(ReadFile(file)));
}

// --- The list file ---

constexpr std::size_t kListFileSize = 1218816;

struct ListFileBench {
  fs::path folder;
  vcl::ScriptFrontEnd* script = nullptr;
  std::unique_ptr<TForm1> form;
};
ListFileBench* listFile = nullptr;

void SetUpListFile() {
  listFile = new ListFileBench;
  listFile->folder = bench::NewTemporaryFolder("quorvel-bench-list");
  ::setenv("QUORVEL_MACHINE", listFile->folder.c_str(), 1);
  listFile->script = &vcl::UseScriptFrontEnd();
  listFile->form = std::make_unique<TForm1>(nullptr);
  // A snapshot of the built-in machine's resource map, as a saved list holds one.
  listFile->form->Button3Click(nullptr);
  std::ofstream(listFile->folder / "source.bin", std::ios::binary)
      << std::string(kListFileSize, '\x5A');
}

void TearDownListFile() {
  listFile->form.reset();
  fs::remove_all(listFile->folder);
}

bool ListFileSaved(const fs::path& path) {
  std::error_code error;
  return fs::file_size(path, error) == kListFileSize && !error;
}

void SaveList(benchmark::State& state) {
  const std::string path = (listFile->folder / "saved.idt").string();
  for (auto _ : state) {
    listFile->script->AnswerDialog(path);
    listFile->form->SaveList1Click(nullptr);
  }
  if (!ListFileSaved(path) || !listFile->script->Boxes.empty()) {
    state.SkipWithError("the program saved no list file");
  }
}

void LoadList(benchmark::State& state) {
  const std::string path = (listFile->folder / "loaded.idt").string();
  listFile->script->AnswerDialog(path);
  listFile->form->SaveList1Click(nullptr);
  if (!ListFileSaved(path)) {
    state.SkipWithError("the program saved no list file to load");
    return;
  }
  for (auto _ : state) {
    listFile->script->AnswerDialog(path);
    listFile->form->OpenList1Click(nullptr);
  }
  TStrings& log = *listFile->form->Memo1->Lines();
  if (!listFile->script->Boxes.empty()) {
    state.SkipWithError(("loading showed a box: " + listFile->script->Boxes.front().Text).c_str());
  } else if (log.Count() < 2 || log[log.Count() - 2] != "using IDT from file ..." ||
             log[log.Count() - 1].rfind("256 entrys in IDT", 0) != 0) {
    state.SkipWithError(("loading rendered no table: " + log[log.Count() - 1]).c_str());
  }
}

// Copies the file with the host's plain calls and flushes the copy to the disk.
void CopyAndFlush(benchmark::State& state) {
  const std::string from = (listFile->folder / "source.bin").string();
  const std::string to = (listFile->folder / "copy.bin").string();
  std::vector<char> buffer(kListFileSize);
  for (auto _ : state) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    const ssize_t put = ::write(out, buffer.data(), static_cast<std::size_t>(got));
    const bool flushed = ::fsync(out) == 0;
    ::close(in);
    ::close(out);
    if (got != static_cast<ssize_t>(kListFileSize) || put != got || !flushed) {
      state.SkipWithError("the copy failed");
    }
  }
}

// --- Figures ---

// Every figure is in milliseconds, and every repetition runs long enough to average out the
// event loop's and the disk's jitter.
benchmark::internal::Benchmark* Register(const char* name, void (*function)(benchmark::State&)) {
  return benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMillisecond)->MinTime(0.2);
}

// Keeps the median of each benchmark's repetitions, in milliseconds.
class MedianCollector : public benchmark::BenchmarkReporter {
 public:
  std::map<std::string, double> medians;
  std::vector<std::string> errors;

  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // The benchmark's name and argument, without the settings that the full name carries.
      const std::string name =
          run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
      if (run.error_occurred) errors.push_back(name + ": " + run.error_message);
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians[name] = run.GetAdjustedRealTime();
      }
    }
  }
};

void Ratio(const MedianCollector& results, const std::string& name, const std::string& measured,
           const std::string& baseline, const std::string& goal) {
  const auto m = results.medians.find(measured);
  const auto b = results.medians.find(baseline);
  if (m == results.medians.end() || b == results.medians.end()) return;
  bench::PrintFigure(name, bench::Milliseconds(m->second), bench::Milliseconds(b->second),
                     m->second / b->second, goal);
}

// The scan's cost per device at n devices beside its cost per device at 64: a linear scan
// keeps the ratio near 1.
void Linearity(const MedianCollector& results, int devices) {
  const auto m = results.medians.find("Scan/" + std::to_string(devices));
  const auto b = results.medians.find("Scan/64");
  if (m == results.medians.end() || b == results.medians.end()) return;
  const double expected = b->second * devices / 64;
  bench::PrintFigure("scan, " + std::to_string(devices) + " devices, against 64 devices scaled",
                     bench::Milliseconds(m->second), bench::Milliseconds(expected),
                     m->second / expected, "<= 1.25 (linear)");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string group = argc > 1 ? argv[1] : "";
  const std::string repetitions = argc > 2 ? argv[2] : "9";
  std::vector<std::string> flags = {argv[0], "--benchmark_repetitions=" + repetitions,
                                    "--benchmark_enable_random_interleaving=true"};
  for (int i = 3; i < argc; ++i) flags.emplace_back(argv[i]);

  if (group == "render") {
    SetUpQtMainWindow();
    Register("Button1ClickQt", Button1ClickQt);
    Register("GridRepaintQt", GridRepaintQt);
  } else if (group == "scan") {
    SetUpScanMachines();
    Register("Scan", Scan)->Arg(64)->Arg(128)->Arg(256);
    Register("ReadAndHexDecode", ReadAndHexDecode)->Arg(256);
  } else if (group == "listfile") {
    SetUpListFile();
    Register("SaveList", SaveList);
    Register("LoadList", LoadList);
    Register("CopyAndFlush", CopyAndFlush);
  } else {
    std::fprintf(stderr, "usage: %s render|scan|listfile [REPETITIONS] [benchmark flags]\n",
                 argv[0]);
    return 2;
  }
  std::vector<char*> args;
  for (std::string& flag : flags) args.push_back(flag.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  MedianCollector results;
  benchmark::RunSpecifiedBenchmarks(&results);
  benchmark::Shutdown();

  if (group == "render") {
    Ratio(results, "Button1Click rendering 256 rows, Qt", "Button1ClickQt", "GridRepaintQt",
          "<= 1.5");
    TearDownQtMainWindow();
  } else if (group == "scan") {
    Ratio(results, "scan of 256 devices of 256 resources", "Scan/256", "ReadAndHexDecode/256",
          "<= 2");
    Linearity(results, 128);
    Linearity(results, 256);
    TearDownScanMachines();
  } else {
    Ratio(results, "saving a list file", "SaveList", "CopyAndFlush", "<= 1.5");
    Ratio(results, "loading a list file", "LoadList", "CopyAndFlush", "<= 1.5");
    TearDownListFile();
  }
  for (const std::string& error : results.errors) std::fprintf(stderr, "%s\n", error.c_str());
  return results.errors.empty() ? 0 : 1;
}
