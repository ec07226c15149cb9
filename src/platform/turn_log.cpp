#include "platform/turn_log.h"

TurnLog& turnLog() {
    static TurnLog log;
    return log;
}
