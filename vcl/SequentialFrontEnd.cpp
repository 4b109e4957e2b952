#include "vcl/SequentialFrontEnd.h"

#include "vcl/Forms.h"

namespace vcl {

void SequentialFrontEnd::CloseAtEnd(TForm& form) {
  RunEvent([&form] { form.Close(); });
  // A close handler that keeps its window open would hold the program forever once nothing
  // more can come: the window is given up all the same.
  if (form.Visible()) {
    ReportNotClosed(form);
    if (Application->MainForm() == &form) Application->Terminate();
    form.Hide();
  }
}

void SequentialFrontEnd::Run(TForm& mainForm) {
  while (!Application->Terminated()) {
    if (NextAction()) continue;
    for (;;) {
      TForm* form = Application->ActiveForm();
      if (form == nullptr || form == &mainForm) break;
      CloseAtEnd(*form);
    }
    if (!Application->Terminated()) CloseAtEnd(mainForm);
  }
}

void SequentialFrontEnd::RunModal(TForm& form) {
  while (form.Modal() && !Application->Terminated()) {
    if (NextAction()) continue;
    RunEvent([&form] { form.Close(); });
    if (form.Modal()) {
      ReportNotClosed(form);
      // ShowModal hides the form once this loop returns.
      return;
    }
  }
}

}  // namespace vcl
