// The in-process front-end for tests: a test queues the steps a person would take, answers
// the file dialogs in advance, and reads back every message box and dialog that was shown.
// Like the console, it closes every window, the main window last, when the steps run out.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vcl/SequentialFrontEnd.h"

namespace vcl {

class ScriptFrontEnd : public SequentialFrontEnd {
 public:
  struct Box {
    std::string Text;
    std::string Caption;
    int Flags;
  };
  struct Dialog {
    FileDialogKind Kind;
    std::string FileName;  // the name the dialog started with
    std::string Filter;
    int FilterIndex;
    bool Answered;  // false when no answer was queued, which cancels it
  };

  // The next step for whichever loop runs next, the main one or a modal window's. It runs as
  // an event handler does: an error raised in it becomes an error box.
  void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
  // The next file dialog's result: a name, or nothing to cancel it.
  void AnswerDialog(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }

  std::vector<Box> Boxes;
  std::vector<Dialog> Dialogs;
  // The captions of the windows in the order they were shown.
  std::vector<std::string> ShownWindows;
  std::vector<std::string> NotClosed;

  void FormShown(TForm& form) override;
  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  std::optional<std::string> ExecuteFileDialog(FileDialogKind kind,
                                               const TOpenDialog& dialog) override;

 protected:
  bool NextAction() override;
  void ReportNotClosed(TForm& form) override;

 private:
  std::deque<std::function<void()>> steps_;
  std::deque<std::optional<std::string>> answers_;
};

// Installs a fresh script front-end in the application and returns it.
ScriptFrontEnd& UseScriptFrontEnd();

}  // namespace vcl
