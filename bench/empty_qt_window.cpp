// The Qt start-up figure's baseline: an empty main window, started, painted once and closed.
#include <QApplication>
#include <QMainWindow>

#include "bench/first_paint.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.resize(558, 450);
  bench::FirstPaint probe([&window] { return &window; },
                          [&window] { window.close(); QApplication::quit(); });
  window.show();
  return QApplication::exec();
}
