#include "app/accessibility.h"

#include <QAccessibleWidget>

#include "app/about_box.h"
#include "app/dialog_widgets.h"
#include "app/main_dialog.h"
#include "app/strip_chart_widget.h"

namespace dovrik {
namespace {

// A scroll bar as a screen reader meets it: its name is set by the dialog
// (the caption of the group box around it), its value text is what its
// value label shows, its number the position. Setting a value goes through
// the dialog procedure like a drag of the thumb.
class ScrollBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit ScrollBarAccessible(DialogScrollBar* bar)
      : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text kind) const override {
    // The value text is the description as well: the accessibility bus
    // carries a value as a bare number (75 for an attack of 7.5 ms), and a
    // screen reader reads the description with the name.
    if (kind == QAccessible::Value || kind == QAccessible::Description) return Bar()->ValueText();
    return QAccessibleWidget::text(kind);
  }

  QVariant currentValue() const override { return Bar()->value(); }
  void setCurrentValue(const QVariant& value) override { Bar()->RequestPosition(value.toInt()); }
  QVariant maximumValue() const override { return Bar()->maximum(); }
  QVariant minimumValue() const override { return Bar()->minimum(); }
  QVariant minimumStepSize() const override { return Bar()->singleStep(); }

 private:
  DialogScrollBar* Bar() const { return static_cast<DialogScrollBar*>(widget()); }
};

// A surface that shows a picture: the strip chart and the About picture.
// Its name and description are the widget's accessible name and description.
class PictureAccessible : public QAccessibleWidget {
 public:
  explicit PictureAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Graphic) {}
};

QAccessibleInterface* DovrikAccessibleFactory(const QString& className, QObject* object) {
  // Qt asks once for each class up the hierarchy; answer for the most
  // derived one only.
  if (!object || className != QLatin1String(object->metaObject()->className())) return nullptr;
  if (auto* bar = qobject_cast<DialogScrollBar*>(object)) return new ScrollBarAccessible(bar);
  // The two windows are dialogs, not bare panes.
  if (qobject_cast<MainDialog*>(object) || qobject_cast<AboutBox*>(object))
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Dialog);
  if (auto* chart = qobject_cast<StripChartWidget*>(object)) return new PictureAccessible(chart);
  if (auto* picture = qobject_cast<AboutPicture*>(object)) return new PictureAccessible(picture);
  return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(DovrikAccessibleFactory);
}

}  // namespace dovrik
