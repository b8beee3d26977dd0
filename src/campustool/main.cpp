// aulavox-campus: the campus's rooms from the command line, no display needed.

#include "campustool/campustool.h"

int main(int argc, char** argv)
{
    return RunCampusTool(std::vector<std::string>(argv + 1, argv + argc), KESTO_VERSION);
}
