#pragma once

// Symbol export of the audio codec library: only the declared API leaves the
// shared object; everything else stays hidden.
#if defined(_WIN32)
#  if defined(ACODEC_BUILDING_LIBRARY)
#    define ACODEC_API __declspec(dllexport)
#  else
#    define ACODEC_API __declspec(dllimport)
#  endif
#else
#  define ACODEC_API __attribute__((visibility("default")))
#endif
