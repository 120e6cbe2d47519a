// A base for a class whose objects are neither copied nor moved: a guard
// whose end undoes what its start did, or the one owner of what it holds.
#pragma once

struct Uncopyable {
    Uncopyable() = default;
    Uncopyable(const Uncopyable&) = delete;
    Uncopyable& operator=(const Uncopyable&) = delete;
};
