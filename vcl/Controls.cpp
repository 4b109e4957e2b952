#include "vcl/Controls.h"

#include "vcl/Forms.h"

TColor ColorToRGB(TColor color) {
  switch (color) {
    case clBtnFace: return 0xC0C0C0;
    case clWindow: return 0xFFFFFF;
    default: return color & 0x00FFFFFF;
  }
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
  if (auto* frontEnd = vcl::CurrentFrontEnd()) frontEnd->ComponentDestroyed(*this);
}

TForm* TControl::Form() const { return dynamic_cast<TForm*>(Owner()); }

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed();
}

void TControl::SetAlign(TAlign align) {
  align_ = align;
  Changed();
}

const TFont& TControl::Font() const {
  if (parentFont_) {
    if (const TForm* form = Form()) return form->Font;
  }
  return font_;
}

void TControl::SetFont(const TFont& font) {
  font_ = font;
  parentFont_ = false;
  Changed();
}

void TControl::SetTabOrder(int order) {
  tabOrder_ = order;
  Changed();
}

void TControl::Changed() {
  if (auto* frontEnd = vcl::CurrentFrontEnd()) frontEnd->ComponentChanged(*this);
}
