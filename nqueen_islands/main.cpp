#include <cstdio>

#include "nqueen_islands/island_link_mpi.h"

int main(int argc, char* argv[]) { return zarnel::RunNQueenIslands(argc, argv, stdout, stderr); }
