// The session asks the shell through its effects and return values: it cannot see the shell.
#include "app/main_loop.h"
