// Answers modal windows in tests: acts on the next modal window of a type once it is shown,
// from the event loop that the window's own exec() runs.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Returns the watching timer; delete it to stop watching for a window that never came.
template <class T> QTimer* WhenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act]() {
        if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(widget);
        }
    });
    timer->start();
    return timer;
}

// Clicks the button of that object name in the next modal window of type T.
template <class T> QTimer* ClickWhenShown(const QString& button, QString* seenText = nullptr) {
    return WhenShown<T>([button, seenText](T* window) {
        if (seenText) {
            *seenText = window->property("text").toString();
        }
        if (auto* target = window->template findChild<QAbstractButton*>(button)) {
            target->click();
        }
    });
}
