#pragma once
// Services a target runs under, started once for the whole run and never
// stopped. The toolkit application ends before the program's exit handlers tear
// down what it uses, as at the program's own exit: warmUp, run once after the
// services start, makes the toolkit create what the target's inputs will use, so
// that all of it is still there when the application ends.
#include "core/service.h"
#include "platform/ui/application.h"

#include <cstdlib>

namespace Fuzz {

template <class... S, class F>
void startServices(F warmUp)
{
    // Held in a variable the program keeps, so that the leak checker sees the
    // services as reachable rather than lost.
    static System::ServiceStack* volatile services = [&] {
        auto* stack = new System::ServiceStack;
        (stack->acquire<S>(), ...);
        warmUp();
        std::atexit(Platform::Ui::shutdownApplication);
        return stack;
    }();
    (void)services;
}

template <class... S>
void startServices()
{
    startServices<S...>([] {});
}

} // namespace Fuzz
