#include "vcl/ScriptFrontEnd.h"

#include "vcl/Dialogs.h"
#include "vcl/Forms.h"

namespace vcl {

void ScriptFrontEnd::FormShown(TForm& form) { ShownWindows.push_back(form.Caption()); }

int ScriptFrontEnd::MessageBox(const std::string& text, const std::string& caption, int flags) {
  Boxes.push_back({text, caption, flags});
  return IDOK;
}

std::optional<std::string> ScriptFrontEnd::ExecuteFileDialog(FileDialogKind kind,
                                                             const TOpenDialog& dialog) {
  Dialogs.push_back({kind, dialog.FileName, dialog.Filter, dialog.FilterIndex, !answers_.empty()});
  if (answers_.empty()) return std::nullopt;
  auto answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

bool ScriptFrontEnd::NextAction() {
  if (steps_.empty()) return false;
  auto step = std::move(steps_.front());
  steps_.pop_front();
  RunEvent(step);
  return true;
}

void ScriptFrontEnd::ReportNotClosed(TForm& form) { NotClosed.push_back(form.Caption()); }

ScriptFrontEnd& UseScriptFrontEnd() {
  auto frontEnd = std::make_unique<ScriptFrontEnd>();
  ScriptFrontEnd& script = *frontEnd;
  Application->UseFrontEnd(std::move(frontEnd));
  return script;
}

}  // namespace vcl
