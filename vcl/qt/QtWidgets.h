// The widgets that draw the toolkit's forms and controls under Qt.
#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QWidget>

#include "vcl/Controls.h"

class QKeyEvent;
class QKeySequence;
class QMenuBar;
class TForm;
class TMemo;
class TStringGrid;

namespace vcl::qt {

// A form's window: the menu bar on top and the client area below it, whose size is the
// form's client size.
class FormWindow : public QWidget {
 public:
  explicit FormWindow(TForm& form);

  TForm& Form() const { return form_; }
  QWidget* Client() const { return client_; }
  QMenuBar* MenuBar() const { return menuBar_; }
  void SetMenuBar(QMenuBar* menuBar);
  // Takes size and place from the form.
  void SyncBounds();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int MenuBarHeight() const;

  TForm& form_;
  QWidget* client_;
  QMenuBar* menuBar_ = nullptr;
};

// The grid's cells as a table model. The view learns of row and column count changes as
// insertions and removals, so that it keeps its place; changed text is one dataChanged.
class GridModel : public QAbstractTableModel {
 public:
  explicit GridModel(TStringGrid& grid, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  bool IsFixed(const QModelIndex& index) const;
  void Sync();

 private:
  TStringGrid& grid_;
  int rows_;
  int cols_;
};

// Draws the fixed rows and columns as header sections.
class GridDelegate : public QStyledItemDelegate {
 public:
  GridDelegate(const GridModel& model, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  const GridModel& model_;
};

// The grid. Its fixed rows and columns stay in place while the rest scrolls beneath them:
// three views of the same model lie over the scrolling one, the fixed rows along the top,
// the fixed columns down the left side and the corner where both meet.
class GridView : public QTableView {
 public:
  GridView(TStringGrid& grid, QWidget* parent);

  GridModel& Model() const { return *model_; }
  void Sync();
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void updateGeometries() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTableView* NewFixedPart();
  void LayOutFixedParts();
  int FixedHeight() const;
  int FixedWidth() const;
  void SelectCurrentCell();

  TStringGrid& grid_;
  GridModel* model_;
  QTableView* fixedRows_ = nullptr;
  QTableView* fixedCols_ = nullptr;
  QTableView* fixedCorner_ = nullptr;
  bool syncing_ = false;
};

class MemoEdit : public QPlainTextEdit {
 public:
  MemoEdit(TMemo& memo, QWidget* parent);
  void Sync();

 private:
  void TakeTypedText();

  TMemo& memo_;
  std::vector<std::string> shown_;
  bool syncing_ = false;
  bool built_ = false;
};

// The menu's shortcuts come before the keys of the control that has the focus: Ctrl+X ends
// the program even while the log, where it would cut text, has the focus.
class MenuKeysFirst : public QObject {
 public:
  MenuKeysFirst(TForm& form, QObject* parent) : QObject(parent), form_(form) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TForm& form_;
};

// Virtual-key codes and modifiers to and from Qt's keys.
QKeySequence ToKeySequence(std::uint16_t shortCut);
std::uint16_t ToShortCut(const QKeyEvent& event);

// The toolkit's font as a Qt font: a negative height is the character height in pixels.
QFont ToQFont(const TFont& font);

}  // namespace vcl::qt
