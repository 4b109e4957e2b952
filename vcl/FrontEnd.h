// The one interface between the toolkit's components and whatever draws them. Components
// hold their state and raise their events; a front-end shows that state and turns a person's
// actions into those events. There are three: the Qt 6 window system, the console protocol,
// and in-process scripting for tests. The application chooses one when it initialises.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

class TComponent;
class TForm;
class TOpenDialog;

namespace vcl {

enum class FileDialogKind { Open, Save };

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // The main message loop; returns once the application has been terminated.
  virtual void Run(TForm& mainForm) = 0;
  // The nested loop of a modal display; returns once the form is no longer shown modally
  // or the application has been terminated.
  virtual void RunModal(TForm& form) = 0;

  // The form has become visible and active; its OnActivate has run.
  virtual void FormShown(TForm& form) = 0;
  virtual void FormHidden(TForm& form) = 0;
  // A component's drawn state (caption, cells, lines, bounds, ...) has changed. Front-ends
  // that draw may gather several changes into one update.
  virtual void ComponentChanged(TComponent& component) = 0;
  virtual void ComponentDestroyed(TComponent& component) = 0;

  // A modal message box; returns the button that closed it (always IDOK).
  virtual int MessageBox(const std::string& text, const std::string& caption, int flags) = 0;
  // A modal file dialog; the chosen name, or nothing when the person cancels.
  virtual std::optional<std::string> ExecuteFileDialog(FileDialogKind kind,
                                                       const TOpenDialog& dialog) = 0;
};

// The application's front-end, or null before one is installed.
FrontEnd* CurrentFrontEnd();

// The front-end for this host: the console when QUORVEL_UI=console or when neither DISPLAY
// nor WAYLAND_DISPLAY is set, Qt when QUORVEL_UI=qt or a display is there. Unless a program
// has the Qt front-end linked in, it loads it then from the module vcl_qt.so beside the
// program file, so that a run in the terminal never loads Qt. Without the module the program
// uses the console, and fails when QUORVEL_UI=qt asks for Qt.
std::unique_ptr<FrontEnd> CreateHostFrontEnd();

// The Qt front-end lives in its own library and makes itself known here when it is linked.
using FrontEndFactory = std::unique_ptr<FrontEnd> (*)();
bool RegisterQtFrontEnd(FrontEndFactory factory);

// Runs an event handler as the message loop does: an error raised inside it ends the
// handler and is shown in an error box, and the program goes on.
void RunEvent(const std::function<void()>& handler);

}  // namespace vcl
