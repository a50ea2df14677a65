#include "app/ShellGlobals.h"

int g_nPlayMode = 3;
