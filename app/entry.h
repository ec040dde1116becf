#pragma once

namespace App {

// Starts the services in their fixed order, runs the program and releases the
// services in the reverse order. Returns 0 after a normal run, 1 after a failed
// start or a failure that ended the program.
int run();

} // namespace App
