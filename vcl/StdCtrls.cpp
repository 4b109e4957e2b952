#include "vcl/StdCtrls.h"

// The memo's lines tell the memo about every change, so that the front-end shows it.
class TMemo::TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo& memo) : memo_(memo) {}

 protected:
  void Changed() override { memo_.Changed(); }

 private:
  TMemo& memo_;
};

TMemo::TMemo(TComponent* AOwner)
    : TControl(AOwner), lines_(std::make_unique<TMemoStrings>(*this)) {
  SetTabOrder(0);
}

TMemo::~TMemo() = default;

void TMemo::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  Changed();
}

void TMemo::SetScrollBars(TScrollStyle scrollBars) {
  scrollBars_ = scrollBars;
  Changed();
}

void TMemo::SetWordWrap(bool wordWrap) {
  wordWrap_ = wordWrap;
  Changed();
}

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {}

void TLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  Changed();
}

TButton::TButton(TComponent* AOwner) : TControl(AOwner) { SetTabOrder(0); }

void TButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  Changed();
}

void TButton::Click() {
  if (OnClick) OnClick(this);
}
