#include "controls/AccessibleControls.h"

#include <QAbstractSlider>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>

#include <utility>

namespace {

QHash<const QAbstractSlider*, std::function<QString(int)>>& ValueTexts() {
    static QHash<const QAbstractSlider*, std::function<QString(int)>> texts;
    return texts;
}

class AccessibleControl : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleControl(QAbstractSlider* control)
        : QAccessibleWidget(control, QAccessible::Slider) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            const auto text = ValueTexts().value(Control());
            return text ? text(Control()->value()) : QString::number(Control()->value());
        }
        return QAccessibleWidget::text(kind);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return Control()->value(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Control()->maximum(); }
    QVariant minimumValue() const override { return Control()->minimum(); }
    QVariant minimumStepSize() const override { return Control()->singleStep(); }

private:
    QAbstractSlider* Control() const { return static_cast<QAbstractSlider*>(widget()); }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("CSkinSlider") ||
        className == QLatin1String("CRoundSliderCtrl")) {
        if (auto* control = qobject_cast<QAbstractSlider*>(object)) {
            return new AccessibleControl(control);
        }
    }
    return nullptr;
}

// Installs the accessibility factory once; later calls do nothing.
void InstallAccessibleControls() {
    static bool installed = false;
    if (!std::exchange(installed, true)) {
        QAccessible::installFactory(MakeAccessible);
    }
}

} // namespace

void SetAccessibleValueText(QAbstractSlider* control, std::function<QString(int value)> text) {
    if (!ValueTexts().contains(control)) {
        QObject::connect(control, &QObject::destroyed, [control] { ValueTexts().remove(control); });
    }
    ValueTexts().insert(control, std::move(text));
    // A control asked about before the factory was there (a base class's constructor may
    // ask) keeps a plain interface in Qt's cache: it goes, and the next question makes ours.
    InstallAccessibleControls();
    if (QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(control);
        existing && dynamic_cast<AccessibleControl*>(existing) == nullptr) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
    }
}
