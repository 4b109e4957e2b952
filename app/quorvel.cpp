// The program's entry: the main window first, so that it is the application's main window,
// then the help window and the resources window, both hidden until asked for.
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/resviewpas.h"

int main() {
  Application->Initialize();
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(ResView);
  Application->Run();
  return 0;
}
