// The main menu: items with captions, accelerators, shortcuts and separators.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vcl/Classes.h"

// A shortcut is a virtual-key code in the low byte and the modifier flags above it.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// The platform's virtual-key codes; letters and digits are their upper-case characters.
inline constexpr std::uint16_t VK_BACK = 0x08;
inline constexpr std::uint16_t VK_TAB = 0x09;
inline constexpr std::uint16_t VK_RETURN = 0x0D;
inline constexpr std::uint16_t VK_ESCAPE = 0x1B;
inline constexpr std::uint16_t VK_SPACE = 0x20;
inline constexpr std::uint16_t VK_PRIOR = 0x21;
inline constexpr std::uint16_t VK_NEXT = 0x22;
inline constexpr std::uint16_t VK_END = 0x23;
inline constexpr std::uint16_t VK_HOME = 0x24;
inline constexpr std::uint16_t VK_LEFT = 0x25;
inline constexpr std::uint16_t VK_UP = 0x26;
inline constexpr std::uint16_t VK_RIGHT = 0x27;
inline constexpr std::uint16_t VK_DOWN = 0x28;
inline constexpr std::uint16_t VK_INSERT = 0x2D;
inline constexpr std::uint16_t VK_DELETE = 0x2E;
inline constexpr std::uint16_t VK_F1 = 0x70;
inline constexpr std::uint16_t VK_F2 = 0x71;
inline constexpr std::uint16_t VK_F3 = 0x72;
inline constexpr std::uint16_t VK_F4 = 0x73;
inline constexpr std::uint16_t VK_F5 = 0x74;
inline constexpr std::uint16_t VK_F6 = 0x75;
inline constexpr std::uint16_t VK_F7 = 0x76;
inline constexpr std::uint16_t VK_F8 = 0x77;
inline constexpr std::uint16_t VK_F9 = 0x78;
inline constexpr std::uint16_t VK_F10 = 0x79;
inline constexpr std::uint16_t VK_F11 = 0x7A;
inline constexpr std::uint16_t VK_F12 = 0x7B;

TShortCut ShortCut(std::uint16_t key, TShortCut modifiers);
// "Ctrl+X", "F5", "Shift+Ctrl+Del"; empty for scNone.
std::string ShortCutToText(TShortCut shortCut);
// The reverse, with modifier names in any order and any case; scNone for a text that names
// no key.
TShortCut TextToShortCut(const std::string& text);
// The caption without its "&" accelerator marks ("&&" stands for one "&").
std::string StripHotkey(const std::string& caption);

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  // A caption of "-" makes the item a separator.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool IsLine() const { return caption_ == "-"; }

  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut shortCut);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  void Add(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return parent_; }

  TNotifyEvent OnClick;
  void Click();

 private:
  std::string caption_;
  TShortCut shortCut_ = scNone;
  bool enabled_ = true;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TMainMenu : public TComponent {
 public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;

  // The menu bar's entries are the items of this root item.
  TMenuItem* Items() const { return items_; }

  // The item reached by captions without "&", joined by "/": "File/Save List".
  TMenuItem* FindItem(const std::string& path) const;
  // The enabled item, at any depth, that the shortcut selects.
  TMenuItem* FindShortCut(TShortCut shortCut) const;

 private:
  TMenuItem* items_;
};
