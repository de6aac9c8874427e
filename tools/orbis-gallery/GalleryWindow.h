// One window with the knob, the skinned label, buttons and sliders and the pads,
// each in the states an operator meets them in.
#pragma once

#include <QWidget>

class GalleryWindow : public QWidget {
    Q_OBJECT

public:
    explicit GalleryWindow(QWidget* parent = nullptr);

private:
    void AddKnobs(int top);
    void AddButtons(int top);
    void AddSliders(int left, int top);
    void AddPads(int left, int top);
};
