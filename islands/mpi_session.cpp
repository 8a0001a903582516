#include "islands/mpi_session.h"

#include <mpi.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace zarnel::islands {

MpiSession::MpiSession(int* argc, char*** argv) {
    int initialised = 0;
    MPI_Initialized(&initialised);
    if (initialised != 0) throw std::runtime_error("MPI is already initialised in this process");
    int provided = MPI_THREAD_SINGLE;
    if (MPI_Init_thread(argc, argv, MPI_THREAD_FUNNELED, &provided) != MPI_SUCCESS) {
        throw std::runtime_error("MPI_Init_thread failed");
    }
    // The levels are ordered: SINGLE < FUNNELED < SERIALIZED < MULTIPLE.
    if (provided < MPI_THREAD_FUNNELED) {
        MPI_Finalize();
        throw std::runtime_error("the MPI library grants thread level " + std::to_string(provided) +
                                 ", below MPI_THREAD_FUNNELED, which the slave threads need");
    }
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
}

MpiSession::~MpiSession() { MPI_Finalize(); }

void MpiSession::AbortJob(int status) const {
    MPI_Abort(MPI_COMM_WORLD, status);
    std::abort();  // MPI_Abort does not return; this keeps [[noreturn]] honest.
}

}  // namespace zarnel::islands
