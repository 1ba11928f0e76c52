#include "CExpandLnglatHori.h"

CExpandLnglatHori::CExpandLnglatHori() = default;
