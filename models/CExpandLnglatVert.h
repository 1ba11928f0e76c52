#pragma once

#include "FixedExpansionBase.h"

// The vertical expansion: longitude runs down the view.
class CExpandLnglatVert : public FixedExpansionBase
{
public:
    CExpandLnglatVert();
};
