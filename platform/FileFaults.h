#pragma once

// A fault-injection point in the platform's file writing, for tests: the n-th operation from
// now that writes a file (opening or creating it, each write, the sync, setting its mode,
// closing it, renaming it into place) fails as a failing disk makes it fail. Off unless a test
// turns it on; the program itself never does.

#include <cstdint>
#include <functional>

namespace dw::filefaults {

enum class Operation { Open, Write, Sync, Mode, Close, Rename };

// The n-th operation from now (counting from 1) fails with the error number `error` (ENOSPC, EIO,
// …), and with `onward` every one after it as well (a disk that stays full); 0 turns the
// injection off. Either way the count starts again from 0.
void failAt(int64_t n, int error, bool onward = false);
// How many operations were counted since the last failAt.
int64_t counted();

// Calls watcher with each operation as it is about to be made, before it may fail (a test
// follows the order of what is done, and what lies in the folder at each step); an empty one
// stops watching.
void watch(std::function<void(Operation)> watcher);

// Counts one operation; true (with errno set) when it is the one that fails.
bool fails(Operation operation);

} // namespace dw::filefaults
