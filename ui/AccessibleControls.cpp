#include "ui/AccessibleControls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <utility>

namespace orvanta {

namespace {

// What the factory needs of a control, kept as its child.
class SpinField : public QObject {
 public:
  SpinField(QScrollBar& arrows, QLineEdit& field) : QObject(&arrows), field_(&field) {}
  QLineEdit* Field() const { return field_; }

 private:
  QPointer<QLineEdit> field_;
};

class LinkFollower : public QObject {
 public:
  LinkFollower(QLabel& label, std::function<void()> follow)
      : QObject(&label), follow_(std::move(follow)) {}
  void Follow() const { follow_(); }

 private:
  std::function<void()> follow_;
};

class AccessibleSpinArrows : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  AccessibleSpinArrows(QScrollBar* arrows, QLineEdit* field)
      : QAccessibleWidget(arrows, QAccessible::SpinBox), field_(field) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return field_ != nullptr ? field_->text() : QString();
    return QAccessibleWidget::text(kind);
  }

  QVariant currentValue() const override { return field_ != nullptr ? field_->text().toInt() : 0; }
  void setCurrentValue(const QVariant& value) override {
    if (field_ != nullptr && field_->isEnabled()) field_->setText(QString::number(value.toInt()));
  }
  QVariant maximumValue() const override { return -Arrows()->minimum(); }
  QVariant minimumValue() const override { return -Arrows()->maximum(); }
  QVariant minimumStepSize() const override { return Arrows()->singleStep(); }

  QStringList actionNames() const override {
    return {increaseAction(), decreaseAction(), setFocusAction()};
  }
  void doAction(const QString& name) override {
    // The bar counts down: a step down the bar is a step up in the field.
    if (name == increaseAction())
      Arrows()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (name == decreaseAction())
      Arrows()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  QScrollBar* Arrows() const { return static_cast<QScrollBar*>(widget()); }
  QPointer<QLineEdit> field_;
};

class AccessibleLabelLink : public QAccessibleWidget {
 public:
  AccessibleLabelLink(QLabel* label, const LinkFollower* follower)
      : QAccessibleWidget(label, QAccessible::Link), follower_(follower) {}

  QString text(QAccessible::Text kind) const override {
    QString text = QAccessibleWidget::text(kind);
    if (kind == QAccessible::Name && text.isEmpty()) text = static_cast<QLabel*>(widget())->text();
    return kind == QAccessible::Name ? text.remove(QLatin1Char('&')).trimmed() : text;
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.linked = true;
    return state;
  }
  QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
  void doAction(const QString& name) override {
    if (name == pressAction())
      follower_->Follow();
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  const LinkFollower* follower_;
};

// The helpers carry no meta-object of their own, so findChild would take
// any child for them.
template <class Helper>
const Helper* HelperOf(const QObject& owner) {
  for (const QObject* child : owner.children())
    if (const auto* helper = dynamic_cast<const Helper*>(child)) return helper;
  return nullptr;
}

QAccessibleInterface* ControlInterface(const QString& /*className*/, QObject* object) {
  if (auto* arrows = qobject_cast<QScrollBar*>(object)) {
    if (const auto* spin = HelperOf<SpinField>(*arrows))
      return new AccessibleSpinArrows(arrows, spin->Field());
  }
  if (auto* label = qobject_cast<QLabel*>(object)) {
    if (const auto* link = HelperOf<LinkFollower>(*label))
      return new AccessibleLabelLink(label, link);
  }
  return nullptr;
}

// A reader's view of a control is made when first asked for and then kept;
// one made before the control was marked is dropped for a new one.
void Renew(QWidget& control, QAccessible::Role role) {
  QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&control);
  if (made != nullptr && made->role() != role)
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void InstallFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(ControlInterface);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace

void ExposeAsSpinButton(QScrollBar& arrows, QLineEdit& field) {
  InstallFactory();
  new SpinField(arrows, field);
  Renew(arrows, QAccessible::SpinBox);
  QObject::connect(&field, &QLineEdit::textChanged, &arrows, [&arrows](const QString& text) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent changed(&arrows, text.toInt());
    QAccessible::updateAccessibility(&changed);
  });
}

void ExposeAsLink(QLabel& label, std::function<void()> follow) {
  InstallFactory();
  new LinkFollower(label, std::move(follow));
  Renew(label, QAccessible::Link);
}

}  // namespace orvanta
