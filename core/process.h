#pragma once
// The calling thread's priority, as configured in the system configuration.
namespace System::Process {

// Reads key ("MainThreadPriority" or "WorkerThreadPriority") from [Config] of
// "system.conf" and applies it to the calling thread when it is not 0 (-2 .. 2,
// or -15 and 15; positive is more urgent). Never throws: a value that cannot be
// read or applied leaves one ERROR line and the priority as it was.
void SetThreadPriority(const char* key);

} // namespace System::Process
