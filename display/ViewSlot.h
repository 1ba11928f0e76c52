#pragma once

class CModelBase;

// One place of the render core's layout: the model drawn there and the part
// of the viewport it occupies, as fractions of the viewport with x from the
// left edge and y from the bottom edge (so bottom < top). The left and bottom
// edges belong to the slot, the right and top edges do not.
struct ViewSlot {
    CModelBase* model = nullptr; // not owned
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    bool pressed = false; // the left button went down inside and is held
    bool hover = false;   // the pointer is inside
};
