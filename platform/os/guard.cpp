#include "platform/os/guard.h"

#include <csetjmp>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <ucontext.h>

namespace Platform::Os {

namespace {

struct GuardFrame {
    sigjmp_buf jump;
    Fault fault;
    GuardFrame* outer;
};

thread_local GuardFrame* currentFrame = nullptr;
thread_local bool altStackReady = false;

constexpr int guardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
struct sigaction previousActions[4];

uint32_t codeOf(int signal, int siCode)
{
    switch (signal) {
    case SIGSEGV: return FaultAccessViolation;
    case SIGBUS: return FaultInPageError;
    case SIGILL: return FaultIllegalInstruction;
    case SIGFPE: return siCode == FPE_INTDIV ? FaultIntegerDivideByZero : FaultFloatInvalid;
    }
    return 0;
}

void handler(int signal, siginfo_t* info, void* context)
{
    GuardFrame* frame = currentFrame;
    if (!frame) {
        // Not inside a guarded call: behave as if no handler were installed.
        for (size_t i = 0; i < 4; ++i) {
            if (guardedSignals[i] == signal)
                ::sigaction(signal, &previousActions[i], nullptr);
        }
        return; // the faulting instruction runs again under the previous action
    }
    frame->fault.signal = signal;
    frame->fault.code = codeOf(signal, info ? info->si_code : 0);
#if defined(__x86_64__)
    frame->fault.address = reinterpret_cast<const void*>(
        static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    frame->fault.address = reinterpret_cast<const void*>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
    frame->fault.address = info ? info->si_addr : nullptr;
#endif
    siglongjmp(frame->jump, 1);
}

void installHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = handler;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < 4; ++i)
            ::sigaction(guardedSignals[i], &action, &previousActions[i]);
    });
}

void ensureAltStack()
{
    if (altStackReady)
        return;
    // A stack overflow inside the guarded call needs a stack of its own for the handler.
    static thread_local struct AltStack {
        void* memory;
        AltStack() : memory(std::malloc(64 * 1024)) {}
        ~AltStack()
        {
            stack_t off {};
            off.ss_flags = SS_DISABLE;
            ::sigaltstack(&off, nullptr);
            std::free(memory);
        }
    } alt;
    stack_t st {};
    st.ss_sp = alt.memory;
    st.ss_size = 64 * 1024;
    st.ss_flags = 0;
    if (alt.memory && ::sigaltstack(&st, nullptr) == 0)
        altStackReady = true;
}

} // namespace

bool runGuarded(void (*fn)(void*), void* context, Fault& fault)
{
    installHandlers();
    ensureAltStack();
    GuardFrame frame;
    frame.outer = currentFrame;
    // The signal mask is not saved: the handler runs with SA_NODEFER and an
    // empty sa_mask, so a jump out of it finds the mask as it was here, and
    // not saving it spares a system call on every guarded call.
    if (sigsetjmp(frame.jump, 0) != 0) {
        currentFrame = frame.outer;
        fault = frame.fault;
        return false;
    }
    // Restores the outer guard also when fn leaves by a C++ exception.
    struct Restore {
        GuardFrame* outer;
        ~Restore() { currentFrame = outer; }
    } restore{frame.outer};
    currentFrame = &frame;
    fn(context);
    return true;
}

} // namespace Platform::Os
