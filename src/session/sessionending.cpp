#include "session/sessionending.h"

bool theSessionEnding = false;
