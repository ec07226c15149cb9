#pragma once

inline constexpr const char* kWindowTitle = "Puckslide 3D programmed by Marbeck Valentino";
