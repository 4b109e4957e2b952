// File dialogs and message boxes.
#pragma once

#include <string>
#include <vector>

#include "vcl/Classes.h"

// Message box flags of the platform: the buttons in the low bits, the icon above them.
inline constexpr int MB_OK = 0x00000000;
inline constexpr int MB_ICONHAND = 0x00000010;
inline constexpr int MB_ICONSTOP = MB_ICONHAND;
inline constexpr int MB_ICONERROR = MB_ICONHAND;
inline constexpr int MB_ICONQUESTION = 0x00000020;
inline constexpr int MB_ICONEXCLAMATION = 0x00000030;
inline constexpr int MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr int MB_ICONASTERISK = 0x00000040;
inline constexpr int MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr int MB_ICONMASK = 0x000000F0;
inline constexpr int IDOK = 1;

// The open dialog. It asks no question before overwriting, does not demand that the chosen
// file exist and adds no extension: the name is used exactly as chosen.
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* AOwner);

  // The name the dialog starts with; after a choice, the chosen name, so the next run
  // starts with it.
  std::string FileName;
  // Pairs of a description and a pattern list, all joined by "|":
  // "IDT Files|*.idt|All Files|*.*". Patterns within a list are separated by ";".
  std::string Filter;
  // The selected filter, counting from 1.
  int FilterIndex = 1;
  std::string InitialDir;
  std::string Title;
  std::string DefaultExt;

  // True when the person chose a name, false when the dialog was cancelled.
  bool Execute();

 protected:
  virtual bool IsSaveDialog() const { return false; }
};

class TSaveDialog : public TOpenDialog {
 public:
  using TOpenDialog::TOpenDialog;

 protected:
  bool IsSaveDialog() const override { return true; }
};

// The description and pattern list of each filter entry; an entry without patterns is left
// out.
struct TFilterEntry {
  std::string Name;
  std::vector<std::string> Patterns;
};
std::vector<TFilterEntry> ParseFilter(const std::string& filter);

// A plain box with the text and OK, no icon, captioned with the application's title.
void ShowMessage(const std::string& text);
