// One window's table from the control ids the models use to the widgets that show them, built
// once when the window is laid out. Every model call that names a control goes through one
// lookup here, so the views stay passive: they show and hand back, and never decide.
#pragma once

#include <QString>
#include <QWidget>
#include <map>
#include <set>
#include <vector>

namespace orvex::gui {

class ControlTable {
 public:
  // Registers `widget` under `id`; the widget stays owned by its window.
  void Add(int id, QWidget* widget);
  // nullptr when the window has no such control. The id is remembered as missing (and logged
  // once), so a model that names a control the window lacks shows up in the tests.
  QWidget* Find(int id) const;
  template <typename Widget>
  Widget* As(int id) const {
    return qobject_cast<Widget*>(Find(id));
  }
  // The id a widget was registered under, or 0.
  int IdOf(const QObject* widget) const;

  std::vector<int> Ids() const;
  const std::set<int>& MissingIds() const { return missing_; }

  // The caption of a button, check box, label or group box, or the text of an edit.
  void SetText(int id, const QString& text);
  QString Text(int id) const;
  void Enable(int id, bool enabled);
  void Show(int id, bool shown);

 private:
  std::map<int, QWidget*> widgets_;
  std::map<const QObject*, int> ids_;
  mutable std::set<int> missing_;
};

}  // namespace orvex::gui
