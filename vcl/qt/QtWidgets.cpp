#include "vcl/qt/QtWidgets.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>

#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"
#include "vcl/qt/QtFrontEnd.h"

namespace vcl::qt {

QFont ToQFont(const TFont& font) {
  QFont qfont(ToQString(font.Name));
  // A positive height includes the internal leading, which is about a fifth of it.
  qfont.setPixelSize(font.Height < 0 ? -font.Height : std::max(1, font.Height * 4 / 5));
  return qfont;
}

namespace {

constexpr std::pair<std::uint16_t, Qt::Key> kKeys[] = {
    {VK_BACK, Qt::Key_Backspace}, {VK_TAB, Qt::Key_Tab},       {VK_RETURN, Qt::Key_Return},
    {VK_ESCAPE, Qt::Key_Escape},  {VK_SPACE, Qt::Key_Space},   {VK_PRIOR, Qt::Key_PageUp},
    {VK_NEXT, Qt::Key_PageDown},  {VK_END, Qt::Key_End},       {VK_HOME, Qt::Key_Home},
    {VK_LEFT, Qt::Key_Left},      {VK_UP, Qt::Key_Up},         {VK_RIGHT, Qt::Key_Right},
    {VK_DOWN, Qt::Key_Down},      {VK_INSERT, Qt::Key_Insert}, {VK_DELETE, Qt::Key_Delete},
};

int ToQtKey(std::uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return key;
  if (key >= VK_F1 && key <= VK_F12) return Qt::Key_F1 + (key - VK_F1);
  for (const auto& [code, qtKey] : kKeys) {
    if (code == key) return qtKey;
  }
  return 0;
}

std::uint16_t ToVirtualKey(int qtKey) {
  if ((qtKey >= '0' && qtKey <= '9') || (qtKey >= 'A' && qtKey <= 'Z')) return static_cast<std::uint16_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return static_cast<std::uint16_t>(VK_F1 + (qtKey - Qt::Key_F1));
  if (qtKey == Qt::Key_Enter) return VK_RETURN;
  for (const auto& [code, key] : kKeys) {
    if (key == qtKey) return code;
  }
  return 0;
}

}  // namespace

QKeySequence ToKeySequence(std::uint16_t shortCut) {
  const int key = ToQtKey(shortCut & 0xFF);
  if (key == 0) return {};
  Qt::KeyboardModifiers modifiers;
  if ((shortCut & scShift) != 0) modifiers |= Qt::ShiftModifier;
  if ((shortCut & scCtrl) != 0) modifiers |= Qt::ControlModifier;
  if ((shortCut & scAlt) != 0) modifiers |= Qt::AltModifier;
  return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

std::uint16_t ToShortCut(const QKeyEvent& event) {
  const std::uint16_t key = ToVirtualKey(event.key());
  if (key == 0) return scNone;
  TShortCut modifiers = scNone;
  if (event.modifiers() & Qt::ShiftModifier) modifiers |= scShift;
  if (event.modifiers() & Qt::ControlModifier) modifiers |= scCtrl;
  if (event.modifiers() & Qt::AltModifier) modifiers |= scAlt;
  return ShortCut(key, modifiers);
}

bool MenuKeysFirst::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && form_.Menu != nullptr) {
    const TShortCut shortCut = ToShortCut(*static_cast<QKeyEvent*>(event));
    if (shortCut != scNone && form_.Menu->FindShortCut(shortCut) != nullptr) {
      // Not overridden: the key goes on to the menu's shortcut.
      event->ignore();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

// --- FormWindow ---

FormWindow::FormWindow(TForm& form) : form_(form), client_(new QWidget(this)) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  QPalette palette = this->palette();
  const TColor rgb = ColorToRGB(form.Color);
  palette.setColor(QPalette::Window, QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
  setPalette(palette);
  setAutoFillBackground(true);
  setFont(ToQFont(form.Font));
}

void FormWindow::SetMenuBar(QMenuBar* menuBar) {
  menuBar_ = menuBar;
  SyncBounds();
}

int FormWindow::MenuBarHeight() const {
  return menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
}

void FormWindow::SyncBounds() {
  setWindowTitle(ToQString(form_.Caption()));
  const QSize size(form_.ClientWidth(), form_.ClientHeight() + MenuBarHeight());
  if (this->size() != size) resize(size);
}

void FormWindow::resizeEvent(QResizeEvent* event) {
  const int menuHeight = MenuBarHeight();
  if (menuBar_ != nullptr) menuBar_->setGeometry(0, 0, width(), menuHeight);
  client_->setGeometry(0, menuHeight, width(), height() - menuHeight);
  // Controls aligned to the client area follow its size; the others keep theirs.
  for (QObject* child : client_->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget != nullptr && widget->property("alClient").toBool()) {
      widget->setGeometry(client_->rect());
    }
  }
  QWidget::resizeEvent(event);
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The form decides whether it closes; hiding the window follows from its state.
  event->ignore();
  RunEvent([this] { form_.Close(); });
}

bool FormWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && form_.Visible()) Application->ActivateForm(form_);
  return QWidget::event(event);
}

// --- GridModel ---

GridModel::GridModel(TStringGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), rows_(grid.RowCount()), cols_(grid.ColCount()) {}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= grid_.ColCount() || index.row() >= grid_.RowCount()) {
    return {};
  }
  if (role == Qt::DisplayRole) return ToQString(grid_.Cells(index.column(), index.row()));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // The cells are never editable; fixed cells cannot even be selected.
  return IsFixed(index) ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool GridModel::IsFixed(const QModelIndex& index) const {
  return index.row() < grid_.FixedRows() || index.column() < grid_.FixedCols();
}

void GridModel::Sync() {
  const int rows = grid_.RowCount();
  const int cols = grid_.ColCount();
  if (rows > rows_) {
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginRemoveRows({}, rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  }
  if (cols > cols_) {
    beginInsertColumns({}, cols_, cols - 1);
    cols_ = cols;
    endInsertColumns();
  } else if (cols < cols_) {
    beginRemoveColumns({}, cols, cols_ - 1);
    cols_ = cols;
    endRemoveColumns();
  }
  // One notice for the whole grid: the view repaints only the cells it shows.
  if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
}

// --- GridDelegate ---

GridDelegate::GridDelegate(const GridModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  if (!model_.IsFixed(index)) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionHeader header;
  header.rect = option.rect;
  header.text = index.data(Qt::DisplayRole).toString();
  header.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  header.state = QStyle::State_Enabled | QStyle::State_Raised;
  header.fontMetrics = option.fontMetrics;
  header.palette = option.palette;
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : nullptr;
  if (style == nullptr) return;
  style->drawControl(QStyle::CE_HeaderSection, &header, painter, widget);
  header.rect = option.rect.adjusted(2, 0, -2, 0);
  style->drawControl(QStyle::CE_HeaderLabel, &header, painter, widget);
}

// --- GridView ---

namespace {

void SetUpCells(QTableView& view, const TStringGrid& grid) {
  view.horizontalHeader()->hide();
  view.verticalHeader()->hide();
  view.horizontalHeader()->setMinimumSectionSize(1);
  view.verticalHeader()->setMinimumSectionSize(1);
  view.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // The toolkit's widths and heights leave out the one-pixel grid line; Qt's sections hold it.
  view.horizontalHeader()->setDefaultSectionSize(grid.DefaultColWidth() + 1);
  view.verticalHeader()->setDefaultSectionSize(grid.DefaultRowHeight() + 1);
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);
  view.setWordWrap(false);
}

}  // namespace

GridView::GridView(TStringGrid& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new GridModel(grid, this)) {
  setModel(model_);
  setItemDelegate(new GridDelegate(*model_, this));
  // The fixed cells are drawn by the delegate; the view's own header bars stay hidden.
  SetUpCells(*this, grid_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(false);
  setFocusPolicy(Qt::StrongFocus);
  fixedRows_ = NewFixedPart();
  fixedCols_ = NewFixedPart();
  fixedCorner_ = NewFixedPart();
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, fixedRows_->horizontalScrollBar(),
          &QScrollBar::setValue);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, fixedCols_->verticalScrollBar(),
          &QScrollBar::setValue);
  Sync();
}

QTableView* GridView::NewFixedPart() {
  auto* part = new QTableView(this);
  part->setModel(model_);
  part->setItemDelegate(itemDelegate());
  SetUpCells(*part, grid_);
  part->setFocusPolicy(Qt::NoFocus);
  part->setFrameShape(QFrame::NoFrame);
  part->setSelectionMode(QAbstractItemView::NoSelection);
  part->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  part->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  part->viewport()->installEventFilter(this);
  return part;
}

int GridView::FixedHeight() const {
  int height = 0;
  for (int row = 0; row < grid_.FixedRows() && row < model_->rowCount(); ++row) height += rowHeight(row);
  return height;
}

int GridView::FixedWidth() const {
  int width = 0;
  for (int col = 0; col < grid_.FixedCols() && col < model_->columnCount(); ++col) width += columnWidth(col);
  return width;
}

void GridView::LayOutFixedParts() {
  // The view lays itself out while it is being built, before the fixed parts exist.
  if (fixedCorner_ == nullptr) return;
  const QRect area = viewport()->geometry();
  const int height = std::min(FixedHeight(), area.height());
  const int width = std::min(FixedWidth(), area.width());
  fixedRows_->setGeometry(area.x(), area.y(), area.width(), height);
  fixedCols_->setGeometry(area.x(), area.y(), width, area.height());
  fixedCorner_->setGeometry(area.x(), area.y(), width, height);
  fixedRows_->setVisible(height > 0);
  fixedCols_->setVisible(width > 0);
  fixedCorner_->setVisible(height > 0 && width > 0);
  fixedRows_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
  fixedCols_->verticalScrollBar()->setValue(verticalScrollBar()->value());
  fixedRows_->raise();
  fixedCols_->raise();
  fixedCorner_->raise();
}

void GridView::updateGeometries() {
  QTableView::updateGeometries();
  LayOutFixedParts();
}

void GridView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QTableView::scrollTo(index, hint);
  if (!index.isValid()) return;
  // Scrolling goes by whole cells, the first ones lying under the fixed part: a cell that
  // came to lie there is brought out below or beside it.
  const int hiddenRows = verticalScrollBar()->value() + grid_.FixedRows() - index.row();
  if (index.row() >= grid_.FixedRows() && hiddenRows > 0) {
    verticalScrollBar()->setValue(verticalScrollBar()->value() - hiddenRows);
  }
  const int hiddenCols = horizontalScrollBar()->value() + grid_.FixedCols() - index.column();
  if (index.column() >= grid_.FixedCols() && hiddenCols > 0) {
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - hiddenCols);
  }
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
  // The fixed parts belong to the grid: a double-click there is the grid's, and the wheel
  // scrolls the grid.
  const bool fixedPart = fixedCorner_ != nullptr && (watched == fixedRows_->viewport() || watched == fixedCols_->viewport() ||
                         watched == fixedCorner_->viewport());
  if (fixedPart && event->type() == QEvent::MouseButtonDblClick) {
    RunEvent([this] { grid_.DblClick(); });
    return true;
  }
  if (fixedPart && event->type() == QEvent::Wheel) {
    QCoreApplication::sendEvent(viewport(), event);
    return true;
  }
  return QTableView::eventFilter(watched, event);
}

void GridView::Sync() {
  syncing_ = true;
  // A grid is synced after every change of a cell. Qt lays the view out anew and repaints its
  // scroll bars whenever a section size or a scroll bar policy is set, even to the value it
  // has, so only what differs is set.
  const auto setDefaultSize = [](QHeaderView* header, int size) {
    if (header->defaultSectionSize() != size) header->setDefaultSectionSize(size);
  };
  for (QTableView* view : {static_cast<QTableView*>(this), fixedRows_, fixedCols_, fixedCorner_}) {
    setDefaultSize(view->horizontalHeader(), grid_.DefaultColWidth() + 1);
    setDefaultSize(view->verticalHeader(), grid_.DefaultRowHeight() + 1);
  }
  const bool horizontal = grid_.ScrollBars == ssHorizontal || grid_.ScrollBars == ssBoth;
  const bool vertical = grid_.ScrollBars == ssVertical || grid_.ScrollBars == ssBoth;
  const Qt::ScrollBarPolicy horizontalPolicy = horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  const Qt::ScrollBarPolicy verticalPolicy = vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  if (horizontalScrollBarPolicy() != horizontalPolicy) setHorizontalScrollBarPolicy(horizontalPolicy);
  if (verticalScrollBarPolicy() != verticalPolicy) setVerticalScrollBarPolicy(verticalPolicy);
  model_->Sync();
  SelectCurrentCell();
  LayOutFixedParts();
  syncing_ = false;
}

void GridView::SelectCurrentCell() {
  const QModelIndex current = model_->index(grid_.Row(), grid_.Col());
  if (current.isValid() && current != currentIndex()) {
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
  }
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (syncing_ || !current.isValid()) return;
  if (model_->IsFixed(current)) {
    syncing_ = true;
    SelectCurrentCell();
    syncing_ = false;
    return;
  }
  RunEvent([this, current] {
    grid_.SetCol(current.column());
    grid_.SetRow(current.row());
  });
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  RunEvent([this] { grid_.DblClick(); });
  event->accept();
}

// --- MemoEdit ---

MemoEdit::MemoEdit(TMemo& memo, QWidget* parent) : QPlainTextEdit(parent), memo_(memo) {
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!syncing_) TakeTypedText();
  });
  Sync();
  built_ = true;
}

void MemoEdit::Sync() {
  syncing_ = true;
  setReadOnly(memo_.ReadOnly());
  const TScrollStyle bars = memo_.ScrollBars();
  const bool horizontal = bars == ssHorizontal || bars == ssBoth;
  const bool vertical = bars == ssVertical || bars == ssBoth;
  setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setLineWrapMode(memo_.WordWrap() && !horizontal ? QPlainTextEdit::WidgetWidth
                                                  : QPlainTextEdit::NoWrap);

  const TStrings& lines = *memo_.Lines();
  std::vector<std::string> now;
  now.reserve(lines.Count());
  for (int i = 0; i < lines.Count(); ++i) now.push_back(lines[i]);
  // The text a memo starts with is shown from its top; lines added later are appended.
  const bool appended = built_ && now.size() > shown_.size() &&
                        std::equal(shown_.begin(), shown_.end(), now.begin());
  if (appended) {
    // The log only grows: the new lines go below the old ones, which stay as they are.
    for (std::size_t i = shown_.size(); i < now.size(); ++i) appendPlainText(ToQString(now[i]));
    // As on the platform, adding a line moves the caret to it, so the newest line is in view.
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
  } else if (now != shown_) {
    QStringList text;
    for (const std::string& line : now) text.append(ToQString(line));
    setPlainText(text.join(QChar('\n')));
  }
  shown_ = std::move(now);
  syncing_ = false;
}

void MemoEdit::TakeTypedText() {
  const QStringList typed = toPlainText().split(QChar('\n'));
  std::vector<std::string> lines;
  for (const QString& line : typed) lines.push_back(FromQString(line));
  // An empty memo shows one empty line, which is no line of the memo's text.
  if (lines.size() == 1 && lines[0].empty()) lines.clear();
  shown_ = lines;
  TStrings& target = *memo_.Lines();
  target.BeginUpdate();
  target.Clear();
  for (const std::string& line : lines) target.Add(line);
  target.EndUpdate();
}

}  // namespace vcl::qt
