#include "CExpandLnglatVert.h"

CExpandLnglatVert::CExpandLnglatVert() = default;
