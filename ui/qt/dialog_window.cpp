#include "ui/qt/dialog_window.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

#include "ui/dialog.h"
#include "ui/dialog_units.h"
#include "ui/icons.h"
#include "ui/list_rules.h"
#include "ui/qt/dialog.h"

namespace ui {
namespace {

constexpr const char* kIdProperty = "quonControlId";
// A line of static text in dialog units.
constexpr int kStaticLineHeight = 8;

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

QRect ToPixels(const DialogRect& rect) {
  DialogRect px = DialogRectToPixels(rect, kClassicBaseUnits);
  return {px.x, px.y, px.width, px.height};
}

Qt::WindowFlags WindowFlagsOf(uint32_t style) {
  // Windows with a minimise box or a taskbar button are top-level windows; the rest dialogs.
  Qt::WindowFlags flags = (style & (kMinimizeBox | kAppWindow)) != 0 ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if ((style & kSystemMenu) != 0) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if ((style & kMinimizeBox) != 0) flags |= Qt::WindowMinimizeButtonHint;
  return flags;
}

}  // namespace

QtDialogWindow::QtDialogWindow(CDialog& dialog, QWidget* parent)
    : dialog_(dialog), window_(std::make_unique<QtDialog>(dialog, parent)) {
  const DialogTemplate& t = dialog.Template();
  window_->setWindowFlags(WindowFlagsOf(t.style));
  window_->setWindowTitle(ToQString(t.title));
  window_->setFont(DialogFont());
  window_->setFixedSize(DialogXToPixels(t.width, kClassicBaseUnits),
                        DialogYToPixels(t.height, kClassicBaseUnits));
  // Creation order is Qt's tab order, so controls are made in template order.
  for (const ControlTemplate& control : t.controls) {
    QWidget* widget = CreateControl(control);
    widget->installEventFilter(window_.get());
    for (QWidget* child : widget->findChildren<QWidget*>())
      child->installEventFilter(window_.get());
    if (control.id != kIdStatic) controls_[control.id] = {&control, widget};
  }
  for (const ControlTemplate& control : t.controls) {
    for (const std::string& item : control.items) ListInsert(control.id, -1, item);
  }
}

QtDialogWindow::~QtDialogWindow() = default;

QWidget* QtDialogWindow::Widget() const { return window_.get(); }

QWidget* QtDialogWindow::CreateControl(const ControlTemplate& t) {
  QWidget* parent = window_.get();
  QWidget* widget = nullptr;
  const int id = t.id;
  switch (t.cls) {
    case ControlClass::PushButton: {
      auto* button = new QPushButton(ToQString(t.text), parent);
      button->setAutoDefault(false);
      button->setDefault((t.style & kDefaultButton) != 0);
      QObject::connect(button, &QPushButton::clicked,
                       [this, id] { dialog_.HandleCommand(id, kClicked); });
      widget = button;
      break;
    }
    case ControlClass::GroupBox: {
      widget = new QGroupBox(ToQString(t.text), parent);
      // The platform's frame: its top line runs through the middle of the title.
      widget->setStyleSheet(
          QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                         "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px;"
                         " background-color: palette(window); }"));
      widget->lower();  // a frame behind the controls it groups, which are its siblings
      break;
    }
    case ControlClass::Static: {
      auto* label = new QLabel(ToQString(t.text), parent);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(t.rect.height >= 2 * kStaticLineHeight);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = label;
      break;
    }
    case ControlClass::ListBox: {
      auto* list = new QListWidget(parent);
      list->setUniformItemSizes(true);
      list->setSelectionMode((t.style & kNoSelection) != 0 ? QAbstractItemView::NoSelection
                                                           : QAbstractItemView::SingleSelection);
      list->setVerticalScrollBarPolicy((t.style & kVScroll) != 0 ? Qt::ScrollBarAsNeeded
                                                                 : Qt::ScrollBarAlwaysOff);
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      if ((t.style & kNotify) != 0) {
        QObject::connect(list, &QListWidget::currentRowChanged, [this, id] {
          if (!changingLists_) dialog_.HandleCommand(id, kSelChange);
        });
      }
      widget = list;
      break;
    }
    case ControlClass::ComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setEditable((t.style & kDropDown) != 0);
      combo->setInsertPolicy(QComboBox::NoInsert);
      // The dropped list gets the template height that the closed box does not use.
      int listPixels = DialogYToPixels(t.rect.height - kComboClosedHeight, kClassicBaseUnits);
      combo->setMaxVisibleItems(std::max(1, listPixels / kClassicBaseUnits.y));
      if (combo->isEditable()) {
        combo->setCompleter(nullptr);  // the platform's combo boxes do not complete
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited,
                         [this, id] { dialog_.HandleCommand(id, kEditChange); });
      }
      QObject::connect(combo, &QComboBox::activated,
                       [this, id] { dialog_.HandleCommand(id, kSelChange); });
      widget = combo;
      break;
    }
    case ControlClass::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, kProgressDefaultMaximum);
      bar->setValue(0);
      bar->setTextVisible(false);  // the platform's bar carries no text
      widget = bar;
      break;
    }
  }
  widget->setProperty(kIdProperty, id);
  QRect geometry = ToPixels(ClosedRect(t));
  // Our stand-in font is a little wider than the classic one: a one-line label may run on to the
  // right rather than lose its end.
  if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && !label->wordWrap()) {
    geometry.setWidth(std::max(geometry.width(), label->sizeHint().width()));
  }
  widget->setGeometry(geometry);
  widget->setEnabled((t.style & kDisabled) == 0);
  bool focusable = t.cls != ControlClass::Static && t.cls != ControlClass::GroupBox &&
                   t.cls != ControlClass::ProgressBar;
  widget->setFocusPolicy(!focusable                  ? Qt::NoFocus
                         : (t.style & kTabStop) != 0 ? Qt::StrongFocus
                                                     : Qt::ClickFocus);
  return widget;
}

const QtDialogWindow::Control* QtDialogWindow::Find(int id) const {
  auto it = controls_.find(id);
  return it != controls_.end() ? &it->second : nullptr;
}

QWidget* QtDialogWindow::ControlWidget(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? control->widget : nullptr;
}

QListWidget* QtDialogWindow::List(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? qobject_cast<QListWidget*>(control->widget) : nullptr;
}

QComboBox* QtDialogWindow::Combo(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? qobject_cast<QComboBox*>(control->widget) : nullptr;
}

QProgressBar* QtDialogWindow::Bar(int id) const {
  const Control* control = Find(id);
  return control != nullptr ? qobject_cast<QProgressBar*>(control->widget) : nullptr;
}

bool QtDialogWindow::IsSorted(int id) const {
  const Control* control = Find(id);
  return control != nullptr && (control->tmpl->style & kSorted) != 0;
}

void QtDialogWindow::RunModal() { window_->exec(); }

void QtDialogWindow::EndModal() { window_->EndExec(); }

bool QtDialogWindow::HasControl(int id) const { return Find(id) != nullptr; }

std::string QtDialogWindow::Text(int id) const {
  const Control* control = Find(id);
  if (control == nullptr) return {};
  QWidget* w = control->widget;
  if (auto* combo = qobject_cast<QComboBox*>(w)) return ToStdString(combo->currentText());
  if (auto* button = qobject_cast<QPushButton*>(w)) return ToStdString(button->text());
  if (auto* label = qobject_cast<QLabel*>(w)) return ToStdString(label->text());
  if (auto* group = qobject_cast<QGroupBox*>(w)) return ToStdString(group->title());
  return {};
}

void QtDialogWindow::SetText(int id, std::string_view text) {
  const Control* control = Find(id);
  if (control == nullptr) return;
  QWidget* w = control->widget;
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->isEditable()) combo->setEditText(ToQString(text));
  } else if (auto* button = qobject_cast<QPushButton*>(w)) {
    button->setText(ToQString(text));
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(ToQString(text));
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(ToQString(text));
  }
}

void QtDialogWindow::Enable(int id, bool enabled) {
  if (const Control* control = Find(id)) control->widget->setEnabled(enabled);
}

void QtDialogWindow::SetToolTip(int id, std::string_view text) {
  if (const Control* control = Find(id)) control->widget->setToolTip(ToQString(text));
}

bool QtDialogWindow::IsEnabled(int id) const {
  const Control* control = Find(id);
  return control != nullptr && control->widget->isEnabled();
}

void QtDialogWindow::SetFocus(int id) {
  if (const Control* control = Find(id)) control->widget->setFocus(Qt::OtherFocusReason);
}

int QtDialogWindow::Focus() const {
  // The edit field of a combo box has the focus on the combo box's behalf.
  for (QWidget* w = window_->focusWidget(); w != nullptr && w != window_.get();
       w = w->parentWidget()) {
    QVariant id = w->property(kIdProperty);
    if (id.isValid()) return id.toInt();
  }
  return kIdStatic;
}

std::vector<std::string> QtDialogWindow::ListTexts(int id) const {
  std::vector<std::string> texts;
  int count = ListCount(id);
  texts.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) texts.push_back(ListText(id, i));
  return texts;
}

int QtDialogWindow::ListInsert(int id, int index, std::string_view text) {
  int count = ListCount(id);
  if (index > count) return kListError;
  if (index < 0) index = IsSorted(id) ? SortedInsertIndex(ListTexts(id), text) : count;
  QString item = ToQString(text);
  if (QListWidget* list = List(id)) {
    changingLists_ = true;
    list->insertItem(index, item);
    changingLists_ = false;
    return index;
  }
  if (QComboBox* combo = Combo(id)) {
    // Qt selects the first item put into an empty combo box; the platform selects nothing.
    bool wasEmpty = count == 0;
    QString edit = combo->currentText();
    combo->insertItem(index, item);
    if (wasEmpty) {
      combo->setCurrentIndex(-1);
      if (combo->isEditable()) combo->setEditText(edit);
    }
    return index;
  }
  return kListError;
}

int QtDialogWindow::ListDelete(int id, int index) {
  if (QListWidget* list = List(id)) {
    if (index < 0 || index >= list->count()) return kListError;
    changingLists_ = true;
    delete list->takeItem(index);
    changingLists_ = false;
    return list->count();
  }
  if (QComboBox* combo = Combo(id)) {
    if (index < 0 || index >= combo->count()) return kListError;
    bool wasCurrent = combo->currentIndex() == index;
    QString edit = combo->currentText();
    combo->removeItem(index);
    if (wasCurrent) {
      combo->setCurrentIndex(-1);
      if (combo->isEditable()) combo->setEditText(edit);
    }
    return combo->count();
  }
  return kListError;
}

void QtDialogWindow::ListReset(int id) {
  if (QListWidget* list = List(id)) {
    changingLists_ = true;
    list->clear();
    changingLists_ = false;
  } else if (QComboBox* combo = Combo(id)) {
    combo->clear();
    combo->clearEditText();
  }
}

int QtDialogWindow::ListCount(int id) const {
  if (QListWidget* list = List(id)) return list->count();
  if (QComboBox* combo = Combo(id)) return combo->count();
  return 0;
}

std::string QtDialogWindow::ListText(int id, int index) const {
  if (QListWidget* list = List(id)) {
    QListWidgetItem* item = list->item(index);
    return item != nullptr ? ToStdString(item->text()) : std::string();
  }
  if (QComboBox* combo = Combo(id)) {
    return index >= 0 && index < combo->count() ? ToStdString(combo->itemText(index))
                                                : std::string();
  }
  return {};
}

int QtDialogWindow::ListSelection(int id) const {
  if (QListWidget* list = List(id)) {
    if (list->selectionMode() == QAbstractItemView::NoSelection) return kListError;
    return list->currentRow() >= 0 ? list->currentRow() : kListError;
  }
  if (QComboBox* combo = Combo(id)) {
    int index = combo->currentIndex();
    // Text typed over the selected item leaves no item selected.
    if (index < 0 || (combo->isEditable() && combo->currentText() != combo->itemText(index))) {
      return kListError;
    }
    return index;
  }
  return kListError;
}

int QtDialogWindow::SetListSelection(int id, int index) {
  if (QListWidget* list = List(id)) {
    bool valid = index >= 0 && index < list->count() &&
                 list->selectionMode() != QAbstractItemView::NoSelection;
    changingLists_ = true;
    list->setCurrentRow(valid ? index : -1);
    changingLists_ = false;
    return valid ? index : kListError;
  }
  if (QComboBox* combo = Combo(id)) {
    bool valid = index >= 0 && index < combo->count();
    combo->setCurrentIndex(valid ? index : -1);
    if (!valid) combo->clearEditText();
    return valid ? index : kListError;
  }
  return kListError;
}

void QtDialogWindow::ProgressSetRange(int id, int maximum) {
  QProgressBar* bar = Bar(id);
  if (bar == nullptr) return;
  // Qt resets a bar whose value falls outside its new range; the platform pulls it in.
  const int position = std::min(std::max(bar->value(), 0), maximum);
  bar->setRange(0, maximum);
  bar->setValue(position);
}

void QtDialogWindow::ProgressSetPos(int id, int position) {
  // Qt ignores a value outside the range; the platform holds it at the nearer end.
  if (QProgressBar* bar = Bar(id)) bar->setValue(std::clamp(position, 0, bar->maximum()));
}

int QtDialogWindow::ProgressPos(int id) const {
  QProgressBar* bar = Bar(id);
  return bar != nullptr ? bar->value() : 0;
}

int QtDialogWindow::ProgressMaximum(int id) const {
  QProgressBar* bar = Bar(id);
  return bar != nullptr ? bar->maximum() : 0;
}

void QtDialogWindow::AppendSystemMenu(int command, std::string_view text) {
  // The window manager owns the system menu; the window's context menu stands in for it.
  auto* action = new QAction(ToQString(text), window_.get());
  if (command == 0) {
    action->setSeparator(true);
  } else {
    QObject::connect(action, &QAction::triggered,
                     [this, command] { dialog_.HandleSysCommand(command); });
  }
  window_->addAction(action);
  window_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void QtDialogWindow::SetIcon(int iconId, bool) {
  // One window icon serves as both sizes here.
  if (IconImage image = FindIconImage(iconId)) window_->setWindowIcon(QIcon(QPixmap(image)));
}

}  // namespace ui
