#pragma once

namespace zarnel::islands {

// The MPI library's life in this process: the constructor initialises MPI
// with the funneled thread level (slave threads run, but only the thread that
// built the session makes MPI calls) and checks that the library granted at
// least that level; the destructor finalises MPI. At most one session per
// process, built on the main thread before any other MPI use; it is neither
// copied nor moved. Every method is for the constructing thread only.
class MpiSession {
public:
    // Throws std::runtime_error when MPI cannot be initialised, is already
    // initialised, or offers less than the funneled level (the session then
    // finalises what it started before throwing).
    MpiSession(int* argc, char*** argv);
    MpiSession(const MpiSession&) = delete;
    MpiSession& operator=(const MpiSession&) = delete;
    ~MpiSession();

    // This process's rank in MPI_COMM_WORLD, 0 .. Size() - 1.
    int Rank() const { return rank_; }
    int Size() const { return size_; }

    // Ends every process of the job with `status` (MPI_Abort): the way out
    // when this island cannot take part in the shared end of the run.
    [[noreturn]] void AbortJob(int status) const;

private:
    int rank_ = 0;
    int size_ = 1;
};

}  // namespace zarnel::islands
