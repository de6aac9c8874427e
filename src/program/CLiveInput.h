// The one way in for live sources, the tracker and the network: a source position goes into
// the document as a live change and on to the processor through the link's pacing. Live
// changes are never undo steps, not even in the middle of a drag, and the windows follow
// them as they follow any other change. The Room window moves its sources through it too,
// as gestures.
//
// Positions are in room units: the document's own 0-127 per axis (x left to right, y back
// to front, z floor to ceiling), as doubles. Each is cut toward zero and held to 0-127;
// NaN counts as 0.
#pragma once

#include "program/CProcessorLink.h"

#include <array>
#include <optional>

class CControllerDoc;

class CLiveInput {
public:
    // Both must outlive this object, which holds nothing else: make one where it is needed.
    CLiveInput(CControllerDoc& doc, CProcessorLink& link) : m_doc(doc), m_link(link) {}

    // Channel `channel`'s source to `position`; a missing axis stays where it is. `repeat`
    // says whether a value the processor already has goes out again. A channel out of range
    // changes nothing. A window's drag or key press moves a source the same way, as a
    // Gesture that the undo history takes.
    void MoveSource(int channel, const std::array<std::optional<double>, 3>& position,
                    CProcessorLink::Repeat repeat, ChangeOrigin origin = ChangeOrigin::Live);

    // A room unit as the document's whole value.
    static int PositionValue(double room);

private:
    CControllerDoc& m_doc;
    CProcessorLink& m_link;
};
