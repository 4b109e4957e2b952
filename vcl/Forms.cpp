#include "vcl/Forms.h"

#include <algorithm>

#include "vcl/Dialogs.h"
#include "winapi/kernel32.h"

TApplication* Application = new TApplication();

namespace vcl {

FrontEnd* CurrentFrontEnd() { return Application != nullptr ? Application->FrontEnd() : nullptr; }

void RunEvent(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception&) {
    Application->HandleException(nullptr);
  }
}

void ResetApplication() {
  delete Application;
  Application = new TApplication();
}

}  // namespace vcl

namespace {

std::string ProgramFileName() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer means the path was cut: try again with room for a longer one.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void NotifyChanged(TComponent& component) {
  if (auto* frontEnd = vcl::CurrentFrontEnd()) frontEnd->ComponentChanged(component);
}

}  // namespace

// --- TForm ---

TForm::TForm(TComponent* AOwner) : TComponent(AOwner) {}

TForm::~TForm() {
  if (Application != nullptr) Application->FormDestroyed(*this);
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  NotifyChanged(*this);
}

void TForm::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  NotifyChanged(*this);
}

int TForm::ClientWidth() const { return std::max(0, width_ - 2 * kFrameWidth); }

int TForm::ClientHeight() const {
  const int bars = kCaptionHeight + (Menu != nullptr ? kMenuHeight : 0);
  return std::max(0, height_ - 2 * kFrameWidth - bars);
}

void TForm::Show() {
  visible_ = true;
  Application->FormShown(*this);
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  Application->FormHidden(*this);
}

int TForm::ShowModal() {
  if (visible_ || modal_) throw EInvalidOperation("Ein sichtbares Fenster kann nicht modal gemacht werden");
  modal_ = true;
  modalResult_ = mrNone;
  Show();
  if (auto* frontEnd = vcl::CurrentFrontEnd()) frontEnd->RunModal(*this);
  // The loop may also end because the program was terminated meanwhile.
  if (modal_) {
    modal_ = false;
    Hide();
  }
  return modalResult_;
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (modal_ && result != mrNone) EndModal();
}

void TForm::EndModal() {
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) {
    modalResult_ = mrNone;
    return;
  }
  modal_ = false;
  Hide();
}

void TForm::Close() {
  if (modal_) {
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    EndModal();
    return;
  }
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
    Hide();
  } else {
    // The toolkit keeps every form until the program ends, so freeing and minimising hide
    // the form as well.
    Hide();
  }
}

void TForm::DoCreate() {
  if (OnCreate) vcl::RunEvent([this] { OnCreate(this); });
}

void TForm::DoActivate() {
  if (OnActivate) vcl::RunEvent([this] { OnActivate(this); });
}

// --- TApplication ---

TApplication::TApplication() : TComponent(nullptr), exeName_(ProgramFileName()) {
  Title = ChangeFileExt(ExtractFileName(exeName_), "");
}

TApplication::~TApplication() {
  // Forms go before the front-end that draws them.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  frontEnd_.reset();
}

void TApplication::Initialize() {
  if (!frontEnd_) frontEnd_ = vcl::CreateHostFrontEnd();
}

void TApplication::UseFrontEnd(std::unique_ptr<vcl::FrontEnd> frontEnd) {
  frontEnd_ = std::move(frontEnd);
}

void TApplication::FormCreated(TForm& form) {
  if (mainForm_ == nullptr) mainForm_ = &form;
  form.DoCreate();
}

void TApplication::Run() {
  if (mainForm_ == nullptr || terminated_) return;
  if (!frontEnd_) Initialize();
  mainForm_->Show();
  if (!terminated_) frontEnd_->Run(*mainForm_);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, int flags) {
  if (!frontEnd_) Initialize();
  return frontEnd_->MessageBox(text, caption, flags);
}

void TApplication::HandleException(TObject* /*Sender*/) {
  try {
    throw;
  } catch (const std::exception& error) {
    ShowException(error);
  }
}

void TApplication::ShowException(const std::exception& error) {
  std::string text = error.what();
  if (!text.empty() && text.back() != '.') text += '.';
  MessageBox(text, Title, MB_OK | MB_ICONSTOP);
}

TForm* TApplication::ActiveForm() const {
  return visibleForms_.empty() ? nullptr : visibleForms_.back();
}

void TApplication::ActivateForm(TForm& form) {
  if (!form.Visible() || ActiveForm() == &form) return;
  visibleForms_.erase(std::remove(visibleForms_.begin(), visibleForms_.end(), &form),
                      visibleForms_.end());
  visibleForms_.push_back(&form);
  form.DoActivate();
}

void TApplication::FormShown(TForm& form) {
  const bool wasActive = ActiveForm() == &form;
  visibleForms_.erase(std::remove(visibleForms_.begin(), visibleForms_.end(), &form),
                      visibleForms_.end());
  visibleForms_.push_back(&form);
  if (!wasActive) form.DoActivate();
  if (frontEnd_) frontEnd_->FormShown(form);
}

void TApplication::FormHidden(TForm& form) {
  const bool wasActive = ActiveForm() == &form;
  visibleForms_.erase(std::remove(visibleForms_.begin(), visibleForms_.end(), &form),
                      visibleForms_.end());
  if (frontEnd_) frontEnd_->FormHidden(form);
  if (wasActive && ActiveForm() != nullptr) ActiveForm()->DoActivate();
}

void TApplication::FormDestroyed(TForm& form) {
  visibleForms_.erase(std::remove(visibleForms_.begin(), visibleForms_.end(), &form),
                      visibleForms_.end());
  if (mainForm_ == &form) mainForm_ = nullptr;
  if (frontEnd_) frontEnd_->ComponentDestroyed(form);
}
