#pragma once
// A drawing resource created on first use by a stored generator and cached.
// Creation is thread-safe: when several threads ask at once, the generator
// runs once and all of them get the same object. A generator that throws
// leaves the slot empty, so the next request tries again.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace Media {

// The place named by "resource generator not set.", one per resource type.
template <class T>
const char* comResourcePlace();

template <class T>
class ComResource {
public:
    using Generator = std::function<void(std::shared_ptr<T>& slot)>;

    ComResource() = default;
    explicit ComResource(Generator generator) : generator_(std::move(generator)) {}
    ComResource(const ComResource&) = delete;
    ComResource& operator=(const ComResource&) = delete;

    void setGenerator(Generator generator)
    {
        std::lock_guard lock(mutex_);
        generator_ = std::move(generator);
    }

    T* createResource()
    {
        if (T* p = pointer_.load(std::memory_order_acquire))
            return p;
        std::lock_guard lock(mutex_);
        if (!object_) {
            if (!generator_)
                throwNoGenerator();
            Generator generator = generator_;
            generator(object_);
            pointer_.store(object_.get(), std::memory_order_release);
        }
        return object_.get();
    }

    // The cached object or null; never creates.
    T* get() const { return pointer_.load(std::memory_order_acquire); }
    std::shared_ptr<T> share()
    {
        createResource();
        std::lock_guard lock(mutex_);
        return object_;
    }
    // Replaces the cached object (for resources made without a generator).
    void reset(std::shared_ptr<T> object = nullptr)
    {
        std::lock_guard lock(mutex_);
        object_ = std::move(object);
        pointer_.store(object_.get(), std::memory_order_release);
    }

private:
    [[noreturn]] static void throwNoGenerator();
    std::atomic<T*> pointer_{nullptr};
    std::shared_ptr<T> object_;
    Generator generator_;
    std::mutex mutex_;
};

[[noreturn]] void throwResourceGeneratorNotSet(const char* place);

template <class T>
void ComResource<T>::throwNoGenerator()
{
    throwResourceGeneratorNotSet(comResourcePlace<T>());
}

} // namespace Media
