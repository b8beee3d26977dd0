#include "platform/toolkitenvironment.h"

#include <cstdlib>

void PrepareToolkitEnvironment()
{
    setenv("GDK_GL", "disable", 0);
}
