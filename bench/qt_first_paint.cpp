// The program's start under Qt, as quorvel.cpp starts it and with the front-end loaded from
// beside it as the program loads it, up to the first paint of the main window; then the
// window closes as a person would close it, so that the driver service is stopped and removed
// and the next run starts from the same machine.
#include <QApplication>
#include <QWidget>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/resviewpas.h"
#include "bench/first_paint.h"

int main() {
  Application->Initialize();
  if (QApplication::instance() == nullptr) {
    std::fprintf(stderr, "qt_first_paint: the program chose another front-end than Qt\n");
    return 2;
  }
  // The main window is the visible top-level window with the main form's caption.
  bench::FirstPaint probe(
      [] () -> QWidget* {
        for (QWidget* window : QApplication::topLevelWidgets()) {
          if (window->isVisible() && window->windowTitle() == "Quorvel") return window;
        }
        return nullptr;
      },
      [] { Application->MainForm()->Close(); });
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(ResView);
  Application->Run();
  return 0;
}
