#include "game/boxes.h"

BoxWords GameBoxWords(GameBox box) {
    switch (box) {
        case GameBox::ConfigOpenFailed: return {"Error", "Error: opening /Data/system/config.cfg"};
        case GameBox::ConfigWriteFailed: return {"Error", "Error: writing /Data/system/config.cfg"};
        case GameBox::PuckModelFailed: return {"Error", "Couldn't load the model data\\puk.ms3d"};
        case GameBox::LargePuckModelFailed: return {"Error", "Couldn't load the model data\\puk2.ms3d"};
        case GameBox::MalletModelFailed: return {"Error", "Couldn't load the model data\\Schiesser.ms3d"};
        case GameBox::PlaneModelFailed: return {"Error", "Couldn't load the model data\\kzmplane.ms3d"};
        case GameBox::TableModelFailed: return {"Error", "Couldn't load the model data\\table.ms3d"};
        case GameBox::Table5ModelFailed: return {"Error", "Couldn't load the model data\\table5.ms3d"};
        case GameBox::Table7ModelFailed: return {"Error", "Couldn't load the model data\\table7.ms3d"};
    }
    return {"", ""};
}
