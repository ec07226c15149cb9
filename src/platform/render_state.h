// The two GL switches that game logic flips between frames.
#pragma once

void SetBlending(bool on);
void SetLighting(bool on);
