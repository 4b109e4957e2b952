#include "vcl/qt/QtFrontEnd.h"

#include <algorithm>

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>

#include "vcl/AnsiCodePage.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"
#include "vcl/qt/QtWidgets.h"

// Fontconfig, which Qt draws text with, keeps its configuration for the life of the process
// and frees none of it at exit; the leak checker of a sanitizer build is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vcl::qt {

QString ToQString(const std::string& ansi) {
  QString text;
  text.reserve(static_cast<qsizetype>(ansi.size()));
  for (const char byte : ansi) {
    text.append(QChar(static_cast<char16_t>(AnsiToUnicode(static_cast<unsigned char>(byte)))));
  }
  return text;
}

std::string FromQString(const QString& text) {
  std::string ansi;
  ansi.reserve(static_cast<std::size_t>(text.size()));
  for (const QChar c : text) ansi += UnicodeToAnsi(c.unicode());
  return ansi;
}

namespace {

std::unique_ptr<FrontEnd> Create() { return std::make_unique<QtFrontEnd>(); }
const bool registered = RegisterQtFrontEnd(&Create);

QMessageBox::Icon ToIcon(int flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// "IDT Files|*.idt|All Files|*.*" becomes "IDT Files (*.idt)" and "All Files (*)": on this
// host "*.*" would miss names without a dot.
QStringList ToNameFilters(const std::string& filter) {
  QStringList filters;
  for (const TFilterEntry& entry : ParseFilter(filter)) {
    QStringList patterns;
    for (const std::string& pattern : entry.Patterns) {
      patterns.append(pattern == "*.*" ? QStringLiteral("*") : ToQString(pattern));
    }
    filters.append(ToQString(entry.Name) + " (" + patterns.join(' ') + ")");
  }
  return filters;
}

// Where the platform's own fonts are missing, metric-compatible ones stand in.
void SubstituteFonts() {
  QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans"});
  QFont::insertSubstitutions("Courier New", {"Liberation Mono", "DejaVu Sans Mono"});
  QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "DejaVu Serif"});
}

}  // namespace

QtFrontEnd* Current() { return dynamic_cast<QtFrontEnd*>(CurrentFrontEnd()); }

QtFrontEnd::QtFrontEnd() {
  if (QApplication::instance() == nullptr) {
    // The application object lives as long as the process, so front-ends may come and go.
    static int argc = 1;
    static char name[] = "quorvel";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    if (QStyle* style = QStyleFactory::create("Windows")) QApplication::setStyle(style);
    SubstituteFonts();
  }
  context_ = std::make_unique<QObject>();
}

QtFrontEnd::~QtFrontEnd() {
  for (auto& [component, object] : objects_) {
    if (dynamic_cast<TForm*>(component) != nullptr && object) delete object.data();
  }
}

QObject* QtFrontEnd::ObjectOf(TComponent& component) const {
  const auto found = objects_.find(&component);
  return found == objects_.end() ? nullptr : found->second.data();
}

QWidget* QtFrontEnd::Window(TForm& form) {
  if (auto* window = dynamic_cast<FormWindow*>(ObjectOf(form))) return window;
  return BuildWindow(form);
}

QWidget* QtFrontEnd::Client(TForm& form) { return static_cast<FormWindow*>(Window(form))->Client(); }

QMenuBar* QtFrontEnd::MenuBar(TForm& form) {
  return static_cast<FormWindow*>(Window(form))->MenuBar();
}

FormWindow* QtFrontEnd::BuildWindow(TForm& form) {
  auto* window = new FormWindow(form);
  objects_[&form] = window;
  QWidget* client = window->Client();
  auto* keys = new MenuKeysFirst(form, window);
  std::vector<std::pair<int, QWidget*>> tabOrder;

  for (int i = 0; i < form.ComponentCount(); ++i) {
    TComponent* component = form.Components(i);
    QWidget* widget = nullptr;
    if (auto* grid = dynamic_cast<TStringGrid*>(component)) {
      widget = new GridView(*grid, client);
    } else if (auto* memo = dynamic_cast<TMemo*>(component)) {
      widget = new MemoEdit(*memo, client);
    } else if (dynamic_cast<TLabel*>(component) != nullptr) {
      auto* qlabel = new QLabel(client);
      qlabel->setTextFormat(Qt::PlainText);
      widget = qlabel;
    } else if (auto* button = dynamic_cast<TButton*>(component)) {
      auto* qbutton = new QPushButton(client);
      QObject::connect(qbutton, &QPushButton::clicked, qbutton,
                       [button] { RunEvent([button] { button->Click(); }); });
      widget = qbutton;
    } else if (auto* menu = dynamic_cast<TMainMenu*>(component); menu != nullptr && menu == form.Menu) {
      BuildMenu(*window, *menu);
    }
    if (widget == nullptr) continue;
    objects_[component] = widget;
    widget->installEventFilter(keys);
    Sync(*component);
    auto* control = static_cast<TControl*>(component);
    if (control->TabOrder() >= 0 && dynamic_cast<TLabel*>(component) == nullptr) {
      tabOrder.emplace_back(control->TabOrder(), widget);
    } else {
      widget->setFocusPolicy(Qt::NoFocus);
    }
  }
  std::stable_sort(tabOrder.begin(), tabOrder.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < tabOrder.size(); ++i) {
    QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
  }
  if (!tabOrder.empty()) tabOrder.front().second->setFocus();
  window->SyncBounds();
  return window;
}

void QtFrontEnd::BuildMenu(FormWindow& window, TMainMenu& menu) {
  auto* bar = new QMenuBar(&window);
  objects_[&menu] = bar;
  AddMenuItems(*bar, *menu.Items());
  window.SetMenuBar(bar);
}

void QtFrontEnd::AddMenuItems(QWidget& menu, TMenuItem& parent) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (item->IsLine()) {
      QAction* separator = new QAction(&menu);
      separator->setSeparator(true);
      menu.addAction(separator);
      objects_[item] = separator;
      continue;
    }
    if (item->Count() > 0) {
      auto* submenu = new QMenu(ToQString(item->Caption()), &menu);
      menu.addAction(submenu->menuAction());
      objects_[item] = submenu->menuAction();
      AddMenuItems(*submenu, *item);
      continue;
    }
    auto* action = new QAction(ToQString(item->Caption()), &menu);
    action->setShortcut(ToKeySequence(item->ShortCut()));
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(item->Enabled());
    QObject::connect(action, &QAction::triggered, action,
                     [item] { RunEvent([item] { item->Click(); }); });
    menu.addAction(action);
    objects_[item] = action;
  }
}

void QtFrontEnd::Sync(TComponent& component) {
  QObject* object = ObjectOf(component);
  if (object == nullptr) return;
  if (dynamic_cast<TForm*>(&component) != nullptr) {
    static_cast<FormWindow*>(object)->SyncBounds();
    return;
  }
  if (auto* item = dynamic_cast<TMenuItem*>(&component)) {
    auto* action = static_cast<QAction*>(object);
    if (!item->IsLine()) action->setText(ToQString(item->Caption()));
    if (item->Count() == 0) action->setShortcut(ToKeySequence(item->ShortCut()));
    action->setEnabled(item->Enabled());
    return;
  }
  auto* control = dynamic_cast<TControl*>(&component);
  auto* widget = qobject_cast<QWidget*>(object);
  if (control == nullptr || widget == nullptr) return;

  widget->setFont(ToQFont(control->Font()));
  if (auto* grid = dynamic_cast<GridView*>(widget)) grid->Sync();
  if (auto* memo = dynamic_cast<MemoEdit*>(widget)) memo->Sync();
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(ToQString(static_cast<TLabel*>(control)->Caption()));
    // Labels take the size of their text.
    label->adjustSize();
    label->move(control->Left(), control->Top());
    return;
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(ToQString(static_cast<TButton*>(control)->Caption()));
  }
  widget->setProperty("alClient", control->Align() == alClient);
  if (control->Align() == alClient && widget->parentWidget() != nullptr) {
    widget->setGeometry(widget->parentWidget()->rect());
  } else {
    widget->setGeometry(control->Left(), control->Top(), control->Width(), control->Height());
  }
}

void QtFrontEnd::ScheduleFlush() {
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QTimer::singleShot(0, context_.get(), [this] { Flush(); });
}

void QtFrontEnd::Flush() {
  flushScheduled_ = false;
  std::vector<TComponent*> pending;
  pending.swap(pending_);
  for (TComponent* component : pending) Sync(*component);
}

void QtFrontEnd::ComponentChanged(TComponent& component) {
  if (objects_.count(&component) == 0) return;
  if (std::find(pending_.begin(), pending_.end(), &component) == pending_.end()) {
    pending_.push_back(&component);
  }
  ScheduleFlush();
}

void QtFrontEnd::ComponentDestroyed(TComponent& component) {
  pending_.erase(std::remove(pending_.begin(), pending_.end(), &component), pending_.end());
  const auto found = objects_.find(&component);
  if (found == objects_.end()) return;
  QPointer<QObject> object = found->second;
  objects_.erase(found);
  if (object) delete object.data();
}

void QtFrontEnd::FormShown(TForm& form) {
  QWidget* window = Window(form);
  Flush();
  window->setWindowModality(form.Modal() ? Qt::ApplicationModal : Qt::NonModal);
  if (!window->isVisible()) {
    if (form.Position == poScreenCenter) {
      const QRect screen = QApplication::primaryScreen()->availableGeometry();
      window->move(screen.x() + (screen.width() - form.Width()) / 2,
                   screen.y() + (screen.height() - form.Height()) / 2);
    } else {
      window->move(form.Left(), form.Top());
    }
    window->show();
  }
  window->raise();
  window->activateWindow();
}

void QtFrontEnd::FormHidden(TForm& form) {
  if (auto* window = qobject_cast<QWidget*>(ObjectOf(form))) window->hide();
  for (auto& [loopForm, loop] : loops_) {
    if (loopForm == &form || Application->Terminated()) loop->quit();
  }
}

void QtFrontEnd::Run(TForm& mainForm) {
  if (Application->Terminated()) return;
  QEventLoop loop;
  loops_.emplace_back(&mainForm, &loop);
  loop.exec();
  loops_.pop_back();
}

void QtFrontEnd::RunModal(TForm& form) {
  if (!form.Modal() || Application->Terminated()) return;
  QEventLoop loop;
  loops_.emplace_back(&form, &loop);
  loop.exec();
  loops_.pop_back();
}

QWidget* QtFrontEnd::ParentForBoxes() const {
  TForm* active = Application->ActiveForm();
  return active != nullptr ? qobject_cast<QWidget*>(ObjectOf(*active)) : nullptr;
}

int QtFrontEnd::MessageBox(const std::string& text, const std::string& caption, int flags) {
  Flush();
  QMessageBox box(ToIcon(flags), ToQString(caption), ToQString(text), QMessageBox::Ok,
                  ParentForBoxes());
  box.exec();
  return IDOK;
}

std::optional<std::string> QtFrontEnd::ExecuteFileDialog(FileDialogKind kind,
                                                         const TOpenDialog& dialog) {
  Flush();
  QFileDialog chooser(ParentForBoxes(), ToQString(dialog.Title), ToQString(dialog.InitialDir));
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setOption(QFileDialog::DontConfirmOverwrite);
  chooser.setFileMode(QFileDialog::AnyFile);
  chooser.setAcceptMode(kind == FileDialogKind::Save ? QFileDialog::AcceptSave
                                                     : QFileDialog::AcceptOpen);
  const QStringList filters = ToNameFilters(dialog.Filter);
  if (!filters.isEmpty()) {
    chooser.setNameFilters(filters);
    const int selected = std::clamp(dialog.FilterIndex, 1, static_cast<int>(filters.size()));
    chooser.selectNameFilter(filters[selected - 1]);
  }
  if (!dialog.FileName.empty()) chooser.selectFile(ToQString(dialog.FileName));
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return std::nullopt;
  return FromQString(chooser.selectedFiles().front());
}

}  // namespace vcl::qt
