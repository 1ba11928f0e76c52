#pragma once

// The audio codec library: namespace Vorel::Utility::ACodec with Decoder,
// Buffer, DecodeResult and AudioFrameType.
#include "ACodec/Buffer.h"
#include "ACodec/Decoder.h"
#include "ACodec/Types.h"
