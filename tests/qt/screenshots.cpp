// Makes a PNG of each of the program's windows through the Qt front-end: the program starts
// as it always does, on the machine QUORVEL_MACHINE names, and each window is drawn as it is
// when shown.
// Usage: quorvel_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <string>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/resviewpas.h"
#include "vcl/qt/QtFrontEnd.h"

namespace {

bool Save(TForm& form, const std::string& path) {
  vcl::qt::QtFrontEnd& qt = *vcl::qt::Current();
  qt.Flush();
  QApplication::processEvents();
  if (!qt.Window(form)->grab().save(QString::fromStdString(path))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  Application->UseFrontEnd(std::make_unique<vcl::qt::QtFrontEnd>());
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(ResView);

  bool ok = true;
  Form1->Show();
  ok = Save(*Form1, folder + "/main-window.png") && ok;
  // Modal windows are photographed from inside their own loop, then closed.
  QTimer::singleShot(0, [&] {
    ok = Save(*Form2, folder + "/help-window.png") && ok;
    Form2->Close();
  });
  Form2->ShowModal();
  QTimer::singleShot(0, [&] {
    ok = Save(*ResView, folder + "/resources-window.png") && ok;
    ResView->Close();
  });
  // The resources window as a double-click on the network card's vector fills it; while the
  // resource map scan finds no users there, the window is shown empty.
  constexpr int kNetworkCardVector = 0x3B;
  if (Form1->VectorUsage[kNetworkCardVector].Count > 0) {
    Form1->StringGrid1->SetRow(kNetworkCardVector + 1);
    Form1->StringGrid1->DblClick();
  } else {
    ResView->ShowModal();
  }
  // The main window's close stops and removes the driver service, as at every end.
  Form1->Close();
  return ok ? 0 : 1;
}
