#pragma once
// Crash guard for calls into plug-ins, codecs and script engines: a fault
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL) inside the guarded call returns control to
// the guard instead of ending the process.
#include <cstdint>

namespace Platform::Os {

struct Fault {
    uint32_t code = 0;          // exception code in the system's own numbering
    const void* address = nullptr; // faulting instruction
    int signal = 0;
};

// Fault codes, numbered as the report texts show them.
constexpr uint32_t FaultAccessViolation = 0xC0000005;
constexpr uint32_t FaultIllegalInstruction = 0xC000001D;
constexpr uint32_t FaultIntegerDivideByZero = 0xC0000094;
constexpr uint32_t FaultFloatInvalid = 0xC0000090;
constexpr uint32_t FaultInPageError = 0xC0000006;

// Runs fn(context). Returns true when it returned normally, false when it faulted
// (fault filled). Guards nest. After a fault the call's stack frames are abandoned
// without unwinding, as with any crash guard: fn must not own resources that
// need destructors at the point of the fault.
bool runGuarded(void (*fn)(void*), void* context, Fault& fault);

template <class F>
bool runGuarded(F&& f, Fault& fault)
{
    return runGuarded([](void* c) { (*static_cast<F*>(c))(); }, &f, fault);
}

} // namespace Platform::Os
