#include "app/Program.h"

int main(int argc, char* argv[])
{
    return classdiv::runProgram(argc, argv, classdiv::Deliverable::varmesto());
}
