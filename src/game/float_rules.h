// The rules give the same states on every build only when each float operation is rounded
// on its own, in single precision: CMakeLists.txt sets the flags, this stops a build that
// gets round them (docs/HACKING.md, "The same game on every build").
#pragma once

#if defined(__FAST_MATH__)
#error "the rules may not be built with -ffast-math: records and network games would part between builds"
#endif
#if (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE2_MATH__)
#error "the rules need SSE2 floating point (-msse2 -mfpmath=sse), not the x87's wider registers"
#endif
