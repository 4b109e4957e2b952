// The console front-end: windows and boxes as text on an output stream, a person's actions
// from an input stream, one per line. Its protocol is a contract that scripts rely on.
#pragma once

#include <iosfwd>
#include <string>

#include "vcl/SequentialFrontEnd.h"

namespace vcl {

class ConsoleFrontEnd : public SequentialFrontEnd {
 public:
  ConsoleFrontEnd(std::istream& input, std::ostream& output);

  void FormShown(TForm& form) override;
  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  std::optional<std::string> ExecuteFileDialog(FileDialogKind kind,
                                               const TOpenDialog& dialog) override;

  // A cell or line as the protocol writes it: UTF-8, with backslash, tab, carriage return
  // and line feed escaped.
  static std::string Escape(const std::string& ansi);

 protected:
  bool NextAction() override;
  void ReportNotClosed(TForm& form) override;

 private:
  bool ReadLine(std::string& line);
  void Perform(const std::string& line);
  void PrintWindow(const TForm& form);
  void PrintError(const std::string& ansiText);

  std::istream& input_;
  std::ostream& output_;
};

}  // namespace vcl
