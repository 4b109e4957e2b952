// What every visible component has: its place on the form, its font, colour and tab order.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/Classes.h"

class TForm;

// Colours are 0x00BBGGRR, or one of the system's colours, which a front-end resolves.
using TColor = std::int32_t;
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
inline constexpr TColor clWindow = static_cast<TColor>(0x80000005);
inline constexpr TColor clBlack = 0x000000;
// The system colours of the platform's standard scheme as RGB.
TColor ColorToRGB(TColor color);

// A negative height is the height of the characters in pixels, without internal leading.
struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;
  bool operator==(const TFont&) const = default;
};

enum TAlign { alNone, alClient };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A visible component placed on a form. Positions are relative to the form's client area,
// below its menu bar.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // The form the control is placed on: its owner.
  TForm* Form() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  // Without a font of its own a control shows its form's font.
  const TFont& Font() const;
  void SetFont(const TFont& font);
  bool ParentFont() const { return parentFont_; }

  // Position in the form's tab order; -1 for controls that take no focus.
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);

 protected:
  // Tells the front-end that something it draws has changed.
  void Changed();

 private:
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = alNone;
  TFont font_;
  bool parentFont_ = true;
  int tabOrder_ = -1;
};
