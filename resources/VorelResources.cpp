#include "VorelResources.h"

#include <QtGlobal>

#include <atomic>

void VorelResourcesInit()
{
    static std::atomic<bool> done{false};
    if (!done.exchange(true)) {
        Q_INIT_RESOURCE(vorel_images);
    }
}
