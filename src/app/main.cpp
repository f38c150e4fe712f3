#include "app/StudentProgram.h"

int main(int argc, char** argv)
{
    return kvizor::RunStudentProgram(argc, argv);
}
