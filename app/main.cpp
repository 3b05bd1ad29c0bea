#include "app/program.h"

int main(int argc, char** argv) { app::runProgram(argc, argv); }
