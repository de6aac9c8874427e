// What assistive technology reads of the skinned sliders and knobs: their accessible name,
// and as their value the text their window gives for it (the value with its unit, as the
// window shows it), else the number. Values are read, not set, this way: a
// screen reader's user moves a control with its keys, which send as a hand does.
#pragma once

#include <QString>

#include <functional>

class QAbstractSlider;

// How `control`'s value reads, asked each time it is read; kept until the control goes.
void SetAccessibleValueText(QAbstractSlider* control, std::function<QString(int value)> text);
