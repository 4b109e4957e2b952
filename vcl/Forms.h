// Forms and the application object: creation of the program's windows, the message loop,
// modal display, message boxes and the handling of errors raised in event handlers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vcl/Controls.h"
#include "vcl/FrontEnd.h"

class TMainMenu;

// What happens to a form that is closed; an OnClose handler may change it.
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

enum TPosition { poDesigned, poScreenCenter };
enum TFormBorderStyle { bsSizeable, bsDialog, bsSingle };

inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// The platform's standard window metrics at 96 pixels per inch with small fonts: a sizeable
// frame of 4 pixels on each side, a caption bar of 19 and a menu bar of 19 pixels. They turn
// a form's outer size into the size of its client area.
inline constexpr int kFrameWidth = 4;
inline constexpr int kCaptionHeight = 19;
inline constexpr int kMenuHeight = 19;

class TForm : public TComponent {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  // The outer bounds on the screen, frame and caption bar included.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);
  // The area below the caption and menu bars, where the controls are placed.
  int ClientWidth() const;
  int ClientHeight() const;

  TPosition Position = poDesigned;
  TFormBorderStyle BorderStyle = bsSizeable;
  TColor Color = clBtnFace;
  TFont Font;
  int PixelsPerInch = 96;
  TMainMenu* Menu = nullptr;

  TNotifyEvent OnCreate;
  TCloseEvent OnClose;
  TNotifyEvent OnActivate;

  bool Visible() const { return visible_; }
  void Show();
  void Hide();
  // Shows the form and disables the others until it closes; returns its modal result.
  int ShowModal();
  bool Modal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result);
  // Runs OnClose; unless it answers caNone the form is hidden, and closing the main form
  // ends the program.
  void Close();

  // Called by the application once the form's components are built.
  void DoCreate();
  // Called by the application each time the form becomes the active form.
  void DoActivate();

 private:
  void EndModal();

  std::string caption_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = false;
  bool modal_ = false;
  int modalResult_ = mrNone;
};

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // The program file's full path.
  const std::string& ExeName() const { return exeName_; }
  // The program file's name without extension unless the program sets another.
  std::string Title;

  // Chooses the front-end for this host unless one has been installed already.
  void Initialize();
  void UseFrontEnd(std::unique_ptr<vcl::FrontEnd> frontEnd);
  vcl::FrontEnd* FrontEnd() const { return frontEnd_.get(); }

  // Creates a form owned by the application and sets `reference` to it before its
  // OnCreate runs. The first form created is the main form.
  template <class T>
  void CreateForm(T*& reference) {
    reference = new T(this);
    FormCreated(*reference);
  }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form and handles events until it closes.
  void Run();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  int MessageBox(const std::string& text, const std::string& caption, int flags);
  // Inside a catch block: shows the error being handled in an error box.
  void HandleException(TObject* Sender);
  void ShowException(const std::exception& error);

  // The visible form that takes input: the last one shown that is still visible.
  TForm* ActiveForm() const;
  // The visible forms, the active one last.
  const std::vector<TForm*>& VisibleForms() const { return visibleForms_; }
  // A front-end reports that a person made this visible form the active one.
  void ActivateForm(TForm& form);

 private:
  friend class TForm;
  void FormCreated(TForm& form);
  void FormShown(TForm& form);
  void FormHidden(TForm& form);
  void FormDestroyed(TForm& form);

  std::string exeName_;
  std::unique_ptr<vcl::FrontEnd> frontEnd_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::vector<TForm*> visibleForms_;
};

// The program's one application object.
extern TApplication* Application;

namespace vcl {
// Replaces the application object by a fresh one, for tests that start a program anew.
void ResetApplication();
}  // namespace vcl
