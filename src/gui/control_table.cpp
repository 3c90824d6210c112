// The control table: id lookups and the few operations every window's controls share.
#include "gui/control_table.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtGlobal>

namespace orvex::gui {

void ControlTable::Add(int id, QWidget* widget) {
  widgets_[id] = widget;
  ids_[widget] = id;
  if (widget->objectName().isEmpty()) widget->setObjectName(QStringLiteral("control%1").arg(id));
}

QWidget* ControlTable::Find(int id) const {
  auto found = widgets_.find(id);
  if (found != widgets_.end()) return found->second;
  if (missing_.insert(id).second) qWarning("orvex: the window has no control %d", id);
  return nullptr;
}

int ControlTable::IdOf(const QObject* widget) const {
  auto found = ids_.find(widget);
  return found == ids_.end() ? 0 : found->second;
}

std::vector<int> ControlTable::Ids() const {
  std::vector<int> ids;
  ids.reserve(widgets_.size());
  for (const auto& [id, widget] : widgets_) ids.push_back(id);
  return ids;
}

void ControlTable::SetText(int id, const QString& text) {
  QWidget* widget = Find(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // Setting the same text again would still move the cursor and emit a change.
    if (edit->text() != text) edit->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(text);
  }
}

QString ControlTable::Text(int id) const {
  QWidget* widget = Find(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  return {};
}

void ControlTable::Enable(int id, bool enabled) {
  if (QWidget* widget = Find(id)) widget->setEnabled(enabled);
}

void ControlTable::Show(int id, bool shown) {
  // setVisible on a widget whose window is not shown yet only records the wish.
  if (QWidget* widget = Find(id)) widget->setVisible(shown);
}

}  // namespace orvex::gui
