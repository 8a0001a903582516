#pragma once

#include "framework/operator.h"

namespace zarnel {

// The operator statuses by name. Every Execute() and Evaluate still returns
// an int (kDone 1, kStop 0, kFailed -1); ToInt and ToStatus convert, so an
// operator can work with names and return what the engine expects:
//
//     return ToInt(solved ? Status::Stop : Status::Done);
enum class Status : int {
    Done = zarnel::kDone,      // finished; the caller goes on
    Stop = zarnel::kStop,      // asks the caller to end the current work
    Failed = zarnel::kFailed,  // an exception was caught inside; claims released
};

constexpr int ToInt(Status status) { return static_cast<int>(status); }

// 0 is Stop and -1 Failed; every other value reads as Done, as the engine
// reads it (callers of an operator act only on 0).
constexpr Status ToStatus(int status) {
    if (status == zarnel::kStop) return Status::Stop;
    if (status == zarnel::kFailed) return Status::Failed;
    return Status::Done;
}

// The status of a batch of work, as CEvalOperatorBase::Execute() forms it
// with a bitwise AND: Stop as soon as one part asked to stop; Failed only
// when every part failed; Done otherwise (a failure beside a success does
// not show).
constexpr Status Combine(Status a, Status b) { return static_cast<Status>(ToInt(a) & ToInt(b)); }

}  // namespace zarnel
