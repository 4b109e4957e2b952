#include "vcl/ConsoleFrontEnd.h"

#include <charconv>
#include <istream>
#include <ostream>

#include "vcl/AnsiCodePage.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/StdCtrls.h"
#include "vcl/UserActions.h"

namespace vcl {

namespace {

const char* IconName(int flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return "error";
    case MB_ICONWARNING: return "warning";
    // The protocol has no question icon; a question is a piece of information to the reader.
    case MB_ICONINFORMATION:
    case MB_ICONQUESTION: return "information";
    default: return "none";
  }
}

bool ParseRow(const std::string& text, int& row) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, row);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

}  // namespace

ConsoleFrontEnd::ConsoleFrontEnd(std::istream& input, std::ostream& output)
    : input_(input), output_(output) {}

std::string ConsoleFrontEnd::Escape(const std::string& ansi) {
  std::string escaped;
  escaped.reserve(ansi.size());
  for (const char c : ansi) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      default: escaped += c;
    }
  }
  return AnsiToUtf8(escaped);
}

void ConsoleFrontEnd::PrintWindow(const TForm& form) {
  output_ << "=== window " << Escape(form.Caption()) << '\n';
  for (int i = 0; i < form.ComponentCount(); ++i) {
    TComponent* component = form.Components(i);
    if (auto* grid = dynamic_cast<TStringGrid*>(component)) {
      output_ << "--- grid " << Escape(grid->Name) << ' ' << grid->ColCount() << 'x'
              << grid->RowCount() << '\n';
      for (int row = 0; row < grid->RowCount(); ++row) {
        for (int col = 0; col < grid->ColCount(); ++col) {
          if (col > 0) output_ << '\t';
          output_ << Escape(grid->Cells(col, row));
        }
        output_ << '\n';
      }
    } else if (auto* memo = dynamic_cast<TMemo*>(component)) {
      output_ << "--- memo " << Escape(memo->Name) << '\n';
      for (int line = 0; line < memo->Lines()->Count(); ++line) {
        output_ << Escape(memo->Lines()->Strings(line)) << '\n';
      }
    } else if (auto* label = dynamic_cast<TLabel*>(component)) {
      output_ << "--- label " << Escape(label->Name) << '\n' << Escape(label->Caption()) << '\n';
    }
  }
  output_ << "=== end" << std::endl;
}

void ConsoleFrontEnd::FormShown(TForm& form) { PrintWindow(form); }

int ConsoleFrontEnd::MessageBox(const std::string& text, const std::string& caption, int flags) {
  output_ << "=== box " << IconName(flags) << ' ' << Escape(caption) << '\n';
  TStringList lines;
  lines.SetText(text);
  for (int i = 0; i < lines.Count(); ++i) output_ << Escape(lines[i]) << '\n';
  output_ << "=== end" << std::endl;
  return IDOK;
}

std::optional<std::string> ConsoleFrontEnd::ExecuteFileDialog(FileDialogKind kind,
                                                              const TOpenDialog& dialog) {
  output_ << "=== dialog " << (kind == FileDialogKind::Open ? "open " : "save ")
          << Escape(dialog.FileName) << std::endl;
  std::string line;
  if (!ReadLine(line) || line.empty()) return std::nullopt;
  return Utf8ToAnsi(line);
}

bool ConsoleFrontEnd::ReadLine(std::string& line) {
  if (!std::getline(input_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool ConsoleFrontEnd::NextAction() {
  std::string line;
  if (!ReadLine(line)) return false;
  Perform(line);
  return true;
}

void ConsoleFrontEnd::PrintError(const std::string& ansiText) {
  output_ << "=== error " << Escape(ansiText) << std::endl;
}

void ConsoleFrontEnd::ReportNotClosed(TForm& form) {
  PrintError("the window " + form.Caption() + " did not close at the end of input");
}

void ConsoleFrontEnd::Perform(const std::string& utf8Line) {
  const std::string line = Utf8ToAnsi(utf8Line);
  const std::size_t blank = line.find(' ');
  const std::string verb = line.substr(0, blank);
  const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);

  std::string failure;
  if (verb == "menu" && !rest.empty()) {
    failure = ChooseMenuItem(rest);
  } else if (verb == "key" && !rest.empty()) {
    failure = PressShortCut(rest);
  } else if (verb == "dblclick" && !rest.empty()) {
    const std::size_t space = rest.rfind(' ');
    int row = 0;
    if (space == std::string::npos || !ParseRow(rest.substr(space + 1), row)) {
      failure = "dblclick needs a grid and a row: " + line;
    } else {
      failure = DoubleClickRow(rest.substr(0, space), row);
    }
  } else if (verb == "click" && !rest.empty()) {
    failure = ClickButton(rest);
  } else if (line == "close") {
    failure = CloseActiveWindow();
  } else if (line == "show") {
    if (TForm* form = Application->ActiveForm()) PrintWindow(*form);
    else failure = "no window is shown";
  } else {
    failure = "not an action: " + line;
  }
  if (!failure.empty()) PrintError(failure);
}

}  // namespace vcl
