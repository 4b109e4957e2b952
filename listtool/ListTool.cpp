#include "listtool/ListTool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "listtool/Export.h"
#include "listtool/ListSnapshot.h"
#include "listtool/SnapshotDiff.h"
#include "listtool/TableText.h"

#ifndef QUORVEL_VERSION
#error "the build gives the project's version as QUORVEL_VERSION"
#endif

namespace {

constexpr char kName[] = "quorvel-list";

constexpr char kUsage[] =
    "Usage: quorvel-list show FILE\n"
    "       quorvel-list export --format json|csv FILE\n"
    "       quorvel-list diff OLD NEW\n"
    "       quorvel-list --help | --version\n";

constexpr char kHelp[] =
    "\n"
    "Shows, exports and compares the list files that Quorvel saves (File, Save List):\n"
    "snapshots of the Interrupt Descriptor Table and of the devices behind each vector.\n"
    "\n"
    "Commands:\n"
    "  show FILE         print the main window's table from FILE: its header row and\n"
    "                    the rows of the 256 vectors, as aligned text\n"
    "  export FILE       print every vector's gate, decoded and raw, its users, and\n"
    "                    every user's resources as the resources window lists them\n"
    "  diff OLD NEW      print the gates, the devices and the users of vectors that\n"
    "                    changed from OLD to NEW; nothing when they agree\n"
    "\n"
    "Options:\n"
    "  --format=FORMAT   the form of export: json or csv (required)\n"
    "  -h, --help        print this help and exit\n"
    "      --version     print the version and exit\n"
    "  --                take every later argument as a file name\n"
    "\n"
    "Exit status:\n"
    "  0  success; for diff, the snapshots agree\n"
    "  1  diff: the snapshots differ\n"
    "  2  a usage error, or a FILE that cannot be read or is no whole list file\n"
    "\n"
    "A list file holds exactly 1218816 bytes. A shorter or longer file, and one whose\n"
    "counts or device indices lie outside its tables, is reported and not shown.\n";

// A command line that cannot be carried out; its text is the message.
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TCommandLine {
  bool Help = false;
  bool Version = false;
  std::optional<std::string> Format;
  std::vector<std::string> Operands;
};

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
  TCommandLine Line;
  bool OptionsEnd = false;
  for (std::size_t n = 0; n < Args.size(); ++n) {
    const std::string& Arg = Args[n];
    if (OptionsEnd || Arg == "-" || Arg.empty() || Arg[0] != '-') {
      Line.Operands.push_back(Arg);
    } else if (Arg == "--") {
      OptionsEnd = true;
    } else if (Arg == "-h" || Arg == "--help") {
      Line.Help = true;
    } else if (Arg == "--version") {
      Line.Version = true;
    } else if (Arg == "--format") {
      if (n + 1 == Args.size()) throw EUsage("option '--format' needs json or csv");
      Line.Format = Args[++n];
    } else if (Arg.rfind("--format=", 0) == 0) {
      Line.Format = Arg.substr(std::strlen("--format="));
    } else {
      throw EUsage("unknown option '" + Arg + "'");
    }
  }
  return Line;
}

// Moves bytes from a host file; a failing read raises with the host's text for it.
class THostFile {
 public:
  explicit THostFile(const std::string& Path) : File(std::fopen(Path.c_str(), "rb")) {
    if (File == nullptr) throw std::runtime_error(std::strerror(errno));
  }
  ~THostFile() { std::fclose(File); }
  THostFile(const THostFile&) = delete;
  THostFile& operator=(const THostFile&) = delete;

  int Read(void* Data, int Size) {
    const std::size_t Moved = std::fread(Data, 1, static_cast<std::size_t>(Size), File);
    if (Moved < static_cast<std::size_t>(Size) && std::ferror(File) != 0) {
      throw std::runtime_error(std::strerror(errno));
    }
    return static_cast<int>(Moved);
  }

 private:
  std::FILE* File;
};

// The snapshot of the list file at Path, or nothing after its problems went to Err.
std::unique_ptr<TListSnapshot> LoadSnapshot(const std::string& Path, std::ostream& Err) {
  TListReading Reading;
  try {
    THostFile File(Path);
    Reading = ReadListSnapshot([&File](void* Data, int Size) { return File.Read(Data, Size); });
  } catch (const std::runtime_error& Failure) {
    Reading.Problems = {Failure.what()};
  }
  for (const std::string& Problem : Reading.Problems) {
    Err << kName << ": " << Path << ": " << Problem << '\n';
  }
  return std::move(Reading.Snapshot);
}

void ExpectOperands(const TCommandLine& Line, std::size_t Count, const char* Names) {
  if (Line.Operands.size() - 1 < Count) {
    throw EUsage(Line.Operands[0] + " needs " + Names);
  }
  if (Line.Operands.size() - 1 > Count) {
    throw EUsage(Line.Operands[0] + ": unexpected argument '" + Line.Operands[Count + 1] + "'");
  }
}

int RunCommand(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
  if (Line.Operands.empty()) throw EUsage("missing command");
  const std::string& Command = Line.Operands[0];
  if (Line.Format && Command != "export") throw EUsage("option '--format' belongs to export");

  if (Command == "show") {
    ExpectOperands(Line, 1, "one FILE");
    const auto Snapshot = LoadSnapshot(Line.Operands[1], Err);
    if (!Snapshot) return kListToolError;
    Out << AlignedTable(TableRows(*Snapshot));
    return kListToolSuccess;
  }
  if (Command == "export") {
    if (!Line.Format) throw EUsage("export needs --format json or --format csv");
    if (*Line.Format != "json" && *Line.Format != "csv") {
      throw EUsage("unknown format '" + *Line.Format + "': json or csv");
    }
    ExpectOperands(Line, 1, "one FILE");
    const auto Snapshot = LoadSnapshot(Line.Operands[1], Err);
    if (!Snapshot) return kListToolError;
    Out << (*Line.Format == "json" ? JsonExport(*Snapshot) : CsvExport(*Snapshot));
    return kListToolSuccess;
  }
  if (Command == "diff") {
    ExpectOperands(Line, 2, "two files, OLD and NEW");
    // Both files are read, so that one run reports the problems of both.
    const auto Old = LoadSnapshot(Line.Operands[1], Err);
    const auto New = LoadSnapshot(Line.Operands[2], Err);
    if (!Old || !New) return kListToolError;
    const std::string Report = DiffSnapshots(*Old, *New);
    Out << Report;
    return Report.empty() ? kListToolSuccess : kListToolDifferent;
  }
  throw EUsage("unknown command '" + Command + "'");
}

}  // namespace

int RunListTool(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  int Status = kListToolSuccess;
  try {
    const TCommandLine Line = ParseCommandLine(Args);
    if (Line.Help) {
      Out << kUsage << kHelp;
    } else if (Line.Version) {
      Out << kName << ' ' << QUORVEL_VERSION << '\n';
    } else {
      Status = RunCommand(Line, Out, Err);
    }
  } catch (const EUsage& Failure) {
    Err << kName << ": " << Failure.what() << '\n'
        << kUsage << "Try 'quorvel-list --help' for more information.\n";
    return kListToolError;
  }
  // A result that did not reach its reader, as on a full disk, is no success.
  if (!Out.flush()) {
    Err << kName << ": write error\n";
    return kListToolError;
  }
  return Status;
}
