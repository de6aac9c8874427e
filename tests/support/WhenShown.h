// Answers modal windows in tests: acts on the next modal window of a type once it is shown,
// from the event loop that the window's own exec() runs.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

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

// Chooses `path` in a file dialog and presses Open or Save. selectFile() leaves the file-name
// box alone while the box has the focus, and the box takes it when the dialog is activated:
// an answer that came after the activation left the box empty and the dialog up for ever.
// With the focus taken off first, the name is written either way.
inline void ChooseFile(QFileDialog* dialog, const QString& path) {
    if (QWidget* focused = dialog->focusWidget()) {
        focused->clearFocus();
    }
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
    if (dialog->isVisible()) { // a failure, not a hang
        ADD_FAILURE() << "the file dialog did not take " << path.toStdString();
        dialog->reject();
    }
}
