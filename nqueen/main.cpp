#include <cstdio>

#include "nqueen/solver.h"

int main(int argc, char* argv[]) { return zarnel::RunNQueen(argc, argv, stdout, stderr); }
