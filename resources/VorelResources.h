#pragma once

// Registers the images under ":/img/". They live in a static library, whose
// resource object the linker would otherwise leave out; every widget that
// uses an image calls this first (repeated calls are harmless).
void VorelResourcesInit();
