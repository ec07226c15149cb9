#include "config.h"

namespace gen {

// The file as the game writes it with an empty list: the game stores an empty name as "-".
std::string configText() {
    std::string text =
        "Puckslyde3D\n"
        "Don't change this file or Puckslide3D won't work!\n"
        "Homepage: puckslide3d.example\n"
        "Contact: puckslide3d.example/contact\n"
        "This file belongs to Puckslide3D by Marbeck Valentino\n";
    for (int i = 0; i < 10; ++i) text += "-\n";
    text += "//Nothing\n";
    for (int i = 0; i < 10; ++i) text += "0\n";
    return text;
}

}  // namespace gen
