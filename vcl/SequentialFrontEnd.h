// The common loop of the two front-ends that take their actions one after another from a
// list (the console's input lines, a test's script): the active window takes each action,
// and when the actions run out every window closes, a modal one first and the main window
// last.
#pragma once

#include "vcl/FrontEnd.h"

namespace vcl {

class SequentialFrontEnd : public FrontEnd {
 public:
  void Run(TForm& mainForm) override;
  void RunModal(TForm& form) override;
  // Neither draws anything between the moments it reports, so changes need no work.
  void FormHidden(TForm&) override {}
  void ComponentChanged(TComponent&) override {}
  void ComponentDestroyed(TComponent&) override {}

 protected:
  // Carries out the next action; false when there is none left.
  virtual bool NextAction() = 0;
  // A window that refused to close at the end of the actions.
  virtual void ReportNotClosed(TForm& form) = 0;

 private:
  void CloseAtEnd(TForm& form);
};

}  // namespace vcl
