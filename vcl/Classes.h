// The toolkit's base classes: objects, components with an owner, events, and string lists.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vcl/SysUtils.h"

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// Every handler receives the object that raised the event.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// A component belongs to its owner, which destroys it; a form owns everything built on it.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned components in the order they were created.
  TComponent* Components(int index) const;
  TComponent* FindComponent(const std::string& name) const;

  std::string Name;

 private:
  TComponent* owner_;
  std::vector<TComponent*> components_;
};

// A stream or file operation failed; the message names the file.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// An index outside a string list.
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

// An ordered list of strings, kept in the order they were added. Changed() runs after every
// change, or once at the end of a BeginUpdate/EndUpdate bracket.
class TStrings : public TObject {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Strings(int index) const;
  const std::string& operator[](int index) const { return Strings(index); }
  void Put(int index, const std::string& text);

  int Add(const std::string& text);
  void Insert(int index, const std::string& text);
  void Delete(int index);
  void Clear();
  int IndexOf(const std::string& text) const;
  void Assign(const TStrings& source);

  // The lines joined, each followed by CR LF.
  std::string Text() const;
  // Splits at CR LF, LF or CR; a last line without a line break is a line too.
  void SetText(const std::string& text);
  // One line per line of the file. The list is left as it was when the file cannot be
  // opened or read, and the error names the file.
  void LoadFromFile(const std::string& fileName);

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

 protected:
  virtual void Changed() {}

 private:
  void CheckIndex(int index, int limit) const;
  void Modified();

  std::vector<std::string> items_;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
};

// A free-standing string list; the toolkit keeps it unsorted.
class TStringList : public TStrings {
 public:
  TNotifyEvent OnChange;

 protected:
  void Changed() override {
    if (OnChange) OnChange(this);
  }
};
