// The "Stereo Source Position Manager": places a pair of input channels (1-2, 3-4, 5-6 or
// 7-8) as one stereo source by its direction (Angle), spread (Width), distance from the
// room centre (Focus) and height (Elevation), or by dragging its centre cross. The pair's
// positions are stored as the two channels' source positions and sent at once.
#pragma once

#include "controls/CStereoPadOwner.h"
#include "ui/CSkinDialog.h"

#include <QHash>

#include <array>

class CControllerApp;
class CControllerDoc;
class CSkinButton;
class CSkinLabel;
class CSkinSlider;
class CStereoPad;

class CStereoSourceDlg : public CSkinDialog, public CStereoPadOwner {
    Q_OBJECT

public:
    // Opens on Angle 64, Width 21, Focus 127, Elevation 42 and the pair "1-2", showing
    // where those values would put the pair; nothing is stored or sent until the operator
    // moves a slider or the cross.
    CStereoSourceDlg(CControllerApp& program, QWidget& mainWindow);

    // Places the pair from the sliders, then stores and sends it.
    void Recompute();
    // Stores and sends the pair's X and Y (the document's Y grows upward).
    void UpdatePositions(const StereoPositions& positions) override;
    void CrossStepped(int angle, int focus, const StereoPositions& positions) override;
    // Stores and sends the pair's height.
    void SetElevation(int value);
    // Rewrites the four value labels in the current display mode.
    void ShowSliderValues();
    // Pair k = 0..3 ("1-2" .. "7-8"); applies from the next slider move or drag.
    void SelectPair(int pair);
    int FirstChannel() const { return m_firstChannel; }

    // CStereoPadOwner.
    StereoSliders Sliders() const override;
    void SetAngleAndFocus(int angle, int focus) override;

    CStereoPad* Pad() const { return m_pad; }
    CSkinSlider* Slider(int id) const { return m_sliders.value(id); }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void InitialiseSliders();
    void OnSliderScrolled(int id);
    void SetLabel(int id, const std::string& text);
    std::string AngleText() const;
    std::string WidthText() const;
    int SliderValue(int id) const;
    CControllerDoc* Doc() const;

    CControllerApp& m_program;
    CStereoPad* m_pad = nullptr;
    QHash<int, CSkinSlider*> m_sliders;
    QHash<int, CSkinLabel*> m_labels;
    std::array<CSkinButton*, 4> m_pairButtons{};
    int m_firstChannel = 0;
};
