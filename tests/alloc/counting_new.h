#pragma once

// Counts of the global operator new and delete, which counting_new.cpp
// replaces: link it only into a test executable of its own.
namespace tintoral::test {
long newCalls();     // calls of operator new so far
long liveNewBytes(); // bytes it handed out that are not deleted yet
} // namespace tintoral::test
