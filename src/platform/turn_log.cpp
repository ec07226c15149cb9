#include "platform/turn_log.h"

TurnLog& CurrentTurnLog() {
    static TurnLog log;
    return log;
}
