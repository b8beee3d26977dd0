#include "mainframe/sessionending.h"

bool theSessionEnding = false;
