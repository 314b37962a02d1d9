#pragma once

#include <functional>

namespace ovisu::test {

// Runs the event loop until `done` holds or `milliseconds` have passed; true when it holds.
bool waitUntil(const std::function<bool()>& done, int milliseconds = 8000);

// Runs the event loop for `milliseconds`, letting timers and replies arrive.
void spin(int milliseconds);

// Asks `done` every 50 milliseconds, sleeping in between (for what another process does), until it
// holds or `milliseconds` have passed; true when it holds.
bool pollUntil(const std::function<bool()>& done, int milliseconds);

}  // namespace ovisu::test
