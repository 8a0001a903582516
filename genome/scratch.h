#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

// Helpers that the operator files share; not part of a user's interface.
namespace zarnel::genome_detail {

// The first n elements of a scratch buffer, grown (never shrunk) to hold
// them: a thread_local buffer passed here allocates only when a thread sees
// a larger n than before.
template <class T>
std::span<T> Scratch(std::vector<T>& buffer, std::size_t n) {
    if (buffer.size() < n) buffer.resize(n);
    return {buffer.data(), n};
}

// True when the two spans share no element (for the debug checks that a
// child does not alias a parent).
template <class A, class B>
bool Disjoint(std::span<A> a, std::span<B> b) {
    const std::less<const void*> before;
    return !before(a.data(), b.data() + b.size()) || !before(b.data(), a.data() + a.size()) || a.empty() ||
           b.empty();
}

}  // namespace zarnel::genome_detail
