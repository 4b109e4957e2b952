// The program's start under Qt, as quorvel.cpp starts it, up to the first paint of the main
// window; then the window closes as a person would close it, so that the driver service is
// stopped and removed and the next run starts from the same machine.
#include <QApplication>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/resviewpas.h"
#include "bench/first_paint.h"
#include "vcl/qt/QtFrontEnd.h"

int main() {
  Application->Initialize();
  if (vcl::qt::Current() == nullptr) {
    std::fprintf(stderr, "qt_first_paint: the program chose another front-end than Qt\n");
    return 2;
  }
  bench::FirstPaint probe(
      [] {
        TForm* main = Application->MainForm();
        return main != nullptr && main->Visible() ? vcl::qt::Current()->Window(*main) : nullptr;
      },
      [] { Application->MainForm()->Close(); });
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(ResView);
  Application->Run();
  return 0;
}
