#include "ACodec/Buffer.h"

namespace Vorel {
namespace Utility {
namespace ACodec {

Buffer::Buffer(void* data, unsigned size, AudioFrameType type)
    : m_data(data), m_sizeBytes(size), m_type(type)
{
}

void* Buffer::data() const
{
    return m_data;
}

unsigned Buffer::size() const
{
    return m_sizeBytes;
}

AudioFrameType Buffer::type() const
{
    return m_type;
}

}  // namespace ACodec
}  // namespace Utility
}  // namespace Vorel
