// What a person can do to the active window, as the console and the test scripts do it.
// Each action runs its handler as the message loop would (an error raised there is shown in
// an error box) and returns why it could not be carried out, or an empty text when it was.
#pragma once

#include <string>

namespace vcl {

// A menu item by its captions without "&", joined by "/": "File/Save List".
std::string ChooseMenuItem(const std::string& path);
// A shortcut by its text: "F5", "Ctrl+X".
std::string PressShortCut(const std::string& keyText);
// Makes the row the grid's current row, in column 1, and double-clicks it.
std::string DoubleClickRow(const std::string& gridName, int row);
std::string ClickButton(const std::string& buttonName);
// A modal window first, else the main window.
std::string CloseActiveWindow();

}  // namespace vcl
