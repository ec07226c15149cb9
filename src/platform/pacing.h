// The wait at the start of every frame.
#pragma once

// Returns once `milliseconds` have passed on TimerGetTime since the call. The sleeping
// wait keeps the busy wait's end times but sleeps for all but the last fraction of a
// millisecond, so it does not burn a core.
void PacingWait(float milliseconds);
void PacingWaitBusy(float milliseconds);
