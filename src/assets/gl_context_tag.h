// Tells GL contexts apart, so texture names are only ever deleted in the context that made them.
#pragma once

// A serial for the current GL context, the same for as long as that context lives and never given to
// another one; 0 when no context is current or this one cannot be tagged. Texture names alone cannot
// tell: a new context hands out the same small numbers again, and so can the pointers and window ids
// the platform layer would offer.
unsigned long long CurrentGLContextSerial();
