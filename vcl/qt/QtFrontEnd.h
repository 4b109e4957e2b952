// The Qt 6 Widgets front-end: every form is a real window, every control a widget drawn from
// the component's state. Changes made while a handler runs are gathered and shown in one
// update when control returns to the event loop.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QPointer>
#include <QString>

#include "vcl/FrontEnd.h"

class QAction;
class QEventLoop;
class QMenuBar;
class QObject;
class QWidget;
class TControl;
class TMainMenu;
class TMenuItem;

namespace vcl::qt {

// Code page 1252 strings to and from Qt's Unicode text.
QString ToQString(const std::string& ansi);
std::string FromQString(const QString& text);

class FormWindow;

class QtFrontEnd : public FrontEnd {
 public:
  QtFrontEnd();
  ~QtFrontEnd() override;

  void Run(TForm& mainForm) override;
  void RunModal(TForm& form) override;
  void FormShown(TForm& form) override;
  void FormHidden(TForm& form) override;
  void ComponentChanged(TComponent& component) override;
  void ComponentDestroyed(TComponent& component) override;
  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  std::optional<std::string> ExecuteFileDialog(FileDialogKind kind,
                                               const TOpenDialog& dialog) override;

  // The form's window, built on first use; tests and the screenshot tool look at it.
  QWidget* Window(TForm& form);
  // The area below the menu bar that the form's controls are placed in.
  QWidget* Client(TForm& form);
  QMenuBar* MenuBar(TForm& form);
  // The widget or menu action that draws the component, or null.
  QObject* ObjectOf(TComponent& component) const;
  // Shows every change made so far.
  void Flush();

 private:
  FormWindow* BuildWindow(TForm& form);
  void BuildMenu(FormWindow& window, TMainMenu& menu);
  void AddMenuItems(QWidget& menu, TMenuItem& parent);
  void Sync(TComponent& component);
  void ScheduleFlush();
  QWidget* ParentForBoxes() const;

  // Owns the front-end's deferred work, so that none of it outlives the front-end.
  std::unique_ptr<QObject> context_;
  std::map<TComponent*, QPointer<QObject>> objects_;
  std::vector<TComponent*> pending_;
  bool flushScheduled_ = false;
  std::vector<std::pair<TForm*, QEventLoop*>> loops_;
};

// The Qt front-end the application uses, or null when it uses another.
QtFrontEnd* Current();

}  // namespace vcl::qt
