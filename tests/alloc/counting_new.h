#pragma once

// Counts of the global operator new and delete, which counting_new.cpp
// replaces in every executable that links it: link it only into a test
// executable of its own, so that no other test runs with it.
namespace tintoral::test {

// Calls of operator new (any form) so far.
long newCalls();
// Bytes handed out by operator new and not deleted yet.
long liveNewBytes();

} // namespace tintoral::test
