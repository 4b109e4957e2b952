// Notes when a window has first been painted: the Qt start-up figure runs from the moment
// its program is started to that moment. The program prints the time then, on the
// monotonic clock the measuring program reads too, and closes the window.
#pragma once

#include <time.h>

#include <cstdio>
#include <functional>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace bench {

class FirstPaint : public QObject {
 public:
  // `window` names the window when asked, since it may not exist yet; `painted` runs once,
  // after the paint that drew it.
  FirstPaint(std::function<QWidget*()> window, std::function<void()> painted)
      : window_(std::move(window)), painted_(std::move(painted)) {
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint) {
      auto* widget = qobject_cast<QWidget*>(watched);
      QWidget* window = window_();
      if (widget != nullptr && window != nullptr && widget->window() == window) {
        seen_ = true;
        // The window's widgets are painted in one pass; what is queued now runs after it.
        QTimer::singleShot(0, this, [this] {
          timespec now{};
          clock_gettime(CLOCK_MONOTONIC, &now);
          std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
          std::fflush(stdout);
          painted_();
        });
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<QWidget*()> window_;
  std::function<void()> painted_;
  bool seen_ = false;
};

}  // namespace bench
