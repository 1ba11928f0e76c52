#pragma once

#include "FixedExpansionBase.h"

// The horizontal expansion: longitude runs across, walls stay upright.
class CExpandLnglatHori : public FixedExpansionBase
{
public:
    CExpandLnglatHori();
};
