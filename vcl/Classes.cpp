#include "vcl/Classes.h"

#include <algorithm>

#include "winapi/kernel32.h"

// The run-time's texts are German and in the system's ANSI code page.
namespace {
constexpr const char* kListIndexError = "Listenindex \xFC" "berschreitet das Maximum (";
constexpr const char* kOpenErrorBefore = "Datei \"";
constexpr const char* kOpenErrorAfter = "\" kann nicht ge\xF6" "ffnet werden";
constexpr const char* kReadErrorBefore = "Fehler beim Lesen der Datei \"";
}  // namespace

TComponent::TComponent(TComponent* AOwner) : owner_(AOwner) {
  if (owner_ != nullptr) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  // The last created goes first, so a component never outlives one it was built after.
  while (!components_.empty()) delete components_.back();
  if (owner_ != nullptr) {
    auto& siblings = owner_->components_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EStringListError(kListIndexError + IntToStr(index) + ")");
  }
  return components_[index];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* component : components_) {
    if (component->Name == name) return component;
  }
  return nullptr;
}

void TStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index > limit) throw EStringListError(kListIndexError + IntToStr(index) + ")");
}

void TStrings::Modified() {
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  Changed();
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && changedInUpdate_) {
    changedInUpdate_ = false;
    Changed();
  }
}

const std::string& TStrings::Strings(int index) const {
  CheckIndex(index, Count() - 1);
  return items_[index];
}

void TStrings::Put(int index, const std::string& text) {
  CheckIndex(index, Count() - 1);
  items_[index] = text;
  Modified();
}

int TStrings::Add(const std::string& text) {
  items_.push_back(text);
  Modified();
  return Count() - 1;
}

void TStrings::Insert(int index, const std::string& text) {
  CheckIndex(index, Count());
  items_.insert(items_.begin() + index, text);
  Modified();
}

void TStrings::Delete(int index) {
  CheckIndex(index, Count() - 1);
  items_.erase(items_.begin() + index);
  Modified();
}

void TStrings::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Modified();
}

int TStrings::IndexOf(const std::string& text) const {
  const auto found = std::find(items_.begin(), items_.end(), text);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  items_ = source.items_;
  Modified();
}

std::string TStrings::Text() const {
  std::string text;
  for (const std::string& line : items_) text += line + "\r\n";
  return text;
}

void TStrings::SetText(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  items_ = std::move(lines);
  Modified();
}

void TStrings::LoadFromFile(const std::string& fileName) {
  HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw EFOpenError(kOpenErrorBefore + fileName + kOpenErrorAfter);

  std::string content;
  char chunk[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
      CloseHandle(file);
      throw EReadError(kReadErrorBefore + fileName + "\"");
    }
    if (got == 0) break;
    content.append(chunk, got);
  }
  CloseHandle(file);
  SetText(content);
}
