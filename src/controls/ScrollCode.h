// Notification codes a knob or skinned slider hands its owner, numbered like the
// platform trackbar's scroll codes so the owner's handler can treat both alike.
#pragma once

enum class ScrollCode : int {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndTrack = 8,
};
