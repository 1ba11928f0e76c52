#pragma once

#include "ACodec/Export.h"
#include "ACodec/Types.h"

namespace Vorel {
namespace Utility {
namespace ACodec {

// A description of bytes owned by somebody else: a pointer, a byte count and
// the kind of data. Copying a Buffer copies the description, never the bytes.
class ACODEC_API Buffer {
public:
    Buffer() = default;
    Buffer(void* data, unsigned size, AudioFrameType type);

    void* data() const;
    unsigned size() const;
    AudioFrameType type() const;

private:
    void* m_data = nullptr;
    unsigned m_sizeBytes = 0;
    AudioFrameType m_type = AudioFrameType::kNone;
};

}  // namespace ACodec
}  // namespace Utility
}  // namespace Vorel
