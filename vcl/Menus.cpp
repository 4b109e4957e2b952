#include "vcl/Menus.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "vcl/FrontEnd.h"

namespace {

constexpr std::pair<std::uint16_t, const char*> kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},   {VK_END, "End"},
    {VK_HOME, "Home"},  {VK_LEFT, "Left"},   {VK_UP, "Up"},       {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},  {VK_INSERT, "Ins"},  {VK_DELETE, "Del"},
};

constexpr std::pair<TShortCut, const char*> kModifierNames[] = {
    {scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

std::string KeyName(std::uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key < VK_F1 + 12) return "F" + std::to_string(key - VK_F1 + 1);
  for (const auto& [code, name] : kKeyNames) {
    if (code == key) return name;
  }
  return {};
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

void NotifyChanged(TComponent& component) {
  if (auto* frontEnd = vcl::CurrentFrontEnd()) frontEnd->ComponentChanged(component);
}

void NotifyDestroyed(TComponent& component) {
  if (auto* frontEnd = vcl::CurrentFrontEnd()) frontEnd->ComponentDestroyed(component);
}

TMenuItem* FindShortCutBelow(const TMenuItem& item, TShortCut shortCut) {
  for (int i = 0; i < item.Count(); ++i) {
    TMenuItem* child = item.Items(i);
    if (!child->Enabled()) continue;
    if (child->ShortCut() == shortCut && !child->IsLine()) return child;
    if (TMenuItem* found = FindShortCutBelow(*child, shortCut)) return found;
  }
  return nullptr;
}

}  // namespace

TShortCut ShortCut(std::uint16_t key, TShortCut modifiers) {
  return static_cast<TShortCut>((key & 0xFF) | (modifiers & (scShift | scCtrl | scAlt)));
}

std::string ShortCutToText(TShortCut shortCut) {
  const std::string key = KeyName(shortCut & 0xFF);
  if (key.empty()) return {};
  std::string text;
  for (const auto& [flag, name] : kModifierNames) {
    if ((shortCut & flag) != 0) text += name;
  }
  return text + key;
}

TShortCut TextToShortCut(const std::string& text) {
  TShortCut modifiers = scNone;
  std::string rest = text;
  for (bool found = true; found;) {
    found = false;
    for (const auto& [flag, name] : kModifierNames) {
      const std::string prefix = name;
      if (rest.size() > prefix.size() && SameText(rest.substr(0, prefix.size()), prefix)) {
        modifiers |= flag;
        rest = rest.substr(prefix.size());
        found = true;
      }
    }
  }
  for (std::uint16_t key = 1; key <= 0xFF; ++key) {
    const std::string name = KeyName(key);
    if (!name.empty() && SameText(name, rest)) return ShortCut(key, modifiers);
  }
  return scNone;
}

std::string StripHotkey(const std::string& caption) {
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') text += caption[++i];
      continue;
    }
    text += caption[i];
  }
  return text;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  NotifyDestroyed(*this);
  for (TMenuItem* child : items_) child->parent_ = nullptr;
  if (parent_ != nullptr) {
    auto& siblings = parent_->items_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TMenuItem::SetCaption(const std::string& caption) {
  caption_ = caption;
  NotifyChanged(*this);
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
  shortCut_ = shortCut;
  NotifyChanged(*this);
}

void TMenuItem::SetEnabled(bool enabled) {
  enabled_ = enabled;
  NotifyChanged(*this);
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->parent_ != nullptr) {
    auto& siblings = item->parent_->items_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
  }
  item->parent_ = this;
  items_.push_back(item);
  NotifyChanged(*this);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EStringListError("Men\xFC" "index au\xDF" "erhalb des g\xFC" "ltigen Bereichs");
  return items_[index];
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

TMainMenu::TMainMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(this)) {}

TMainMenu::~TMainMenu() { NotifyDestroyed(*this); }

TMenuItem* TMainMenu::FindItem(const std::string& path) const {
  TMenuItem* item = items_;
  std::size_t start = 0;
  while (item != nullptr && start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string caption = path.substr(start, end - start);
    TMenuItem* next = nullptr;
    for (int i = 0; i < item->Count() && next == nullptr; ++i) {
      TMenuItem* child = item->Items(i);
      if (!child->IsLine() && StripHotkey(child->Caption()) == caption) next = child;
    }
    item = next;
    start = end + 1;
  }
  return item == items_ ? nullptr : item;
}

TMenuItem* TMainMenu::FindShortCut(TShortCut shortCut) const {
  return shortCut == scNone ? nullptr : FindShortCutBelow(*items_, shortCut);
}
