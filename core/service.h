#pragma once
// Service singletons: one instance pointer and one reference count per class,
// reached through X::Get(). ServiceReference acquires (creating on first use)
// and releases (destroying at zero) in the entry's fixed order.
#include <cstdint>

namespace System {

template <class X>
struct ServiceSlot {
    static inline X* instance = nullptr;
    static inline int32_t count = 0;
};

// Gives a class the static accessor; the instance pointer is set by ServiceReference.
template <class X>
struct Singleton {
    static X* Get() { return ServiceSlot<X>::instance; }
};

template <class X>
class ServiceReference {
public:
    ServiceReference()
    {
        if (!ServiceSlot<X>::instance)
            ServiceSlot<X>::instance = new X();
        ++ServiceSlot<X>::count;
    }
    ~ServiceReference()
    {
        if (--ServiceSlot<X>::count == 0 && ServiceSlot<X>::instance) {
            X* instance = ServiceSlot<X>::instance;
            // Get() keeps answering while the destructor runs; it is null afterwards.
            delete instance;
            ServiceSlot<X>::instance = nullptr;
        }
    }
    ServiceReference(const ServiceReference&) = delete;
    ServiceReference& operator=(const ServiceReference&) = delete;
};

} // namespace System

#include <memory>
#include <vector>

namespace System {

// The entry's holders, released in exactly the reverse order of acquisition.
class ServiceStack {
public:
    ServiceStack() = default;
    ~ServiceStack() { releaseAll(); }
    ServiceStack(const ServiceStack&) = delete;
    ServiceStack& operator=(const ServiceStack&) = delete;

    template <class X>
    X* acquire()
    {
        holders_.push_back(std::make_unique<Holder<X>>());
        return X::Get();
    }
    void releaseAll()
    {
        while (!holders_.empty())
            holders_.pop_back();
    }
    size_t size() const { return holders_.size(); }

private:
    struct HolderBase {
        virtual ~HolderBase() = default;
    };
    template <class X>
    struct Holder final : HolderBase {
        ServiceReference<X> reference;
    };
    std::vector<std::unique_ptr<HolderBase>> holders_;
};

} // namespace System
