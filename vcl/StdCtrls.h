// The standard controls: memo, label and button.
#pragma once

#include <memory>
#include <string>

#include "vcl/Controls.h"

class TMemo : public TControl {
 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;

  // The memo's text, one string per line; every change is shown.
  TStrings* Lines() const { return lines_.get(); }

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle scrollBars);
  // Long lines break at the memo's edge unless there is a horizontal scroll bar.
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);

 private:
  class TMemoStrings;
  friend class TMemoStrings;
  std::unique_ptr<TStrings> lines_;
  bool readOnly_ = false;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
};

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

 private:
  std::string caption_;
};

class TButton : public TControl {
 public:
  explicit TButton(TComponent* AOwner);

  // An "&" marks the letter that presses the button with Alt.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  TNotifyEvent OnClick;
  void Click();

 private:
  std::string caption_;
};
