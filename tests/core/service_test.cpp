#include "core/service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> events;

struct First : System::Singleton<First> {
    First() { events.push_back("+First"); }
    ~First() { events.push_back("-First"); }
};
struct Second : System::Singleton<Second> {
    Second()
    {
        // A service may use every service created before it.
        events.push_back(First::Get() ? "+Second(First)" : "+Second");
    }
    ~Second() { events.push_back(First::Get() ? "-Second(First)" : "-Second"); }
};
struct Failing : System::Singleton<Failing> {
    Failing() { throw std::runtime_error("no"); }
};
} // namespace

TEST(Service, ReferencesShareOneInstance)
{
    events.clear();
    {
        System::ServiceReference<First> a;
        First* instance = First::Get();
        {
            System::ServiceReference<First> b;
            EXPECT_EQ(First::Get(), instance);
            EXPECT_EQ(System::ServiceSlot<First>::count, 2);
        }
        EXPECT_EQ(First::Get(), instance);
    }
    EXPECT_EQ(First::Get(), nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"+First", "-First"}));
}

TEST(Service, StackReleasesInReverseOrderAlsoAfterAFailedStart)
{
    events.clear();
    {
        System::ServiceStack stack;
        stack.acquire<First>();
        stack.acquire<Second>();
        EXPECT_THROW(stack.acquire<Failing>(), std::runtime_error);
        EXPECT_EQ(stack.size(), 2u);
        EXPECT_EQ(Failing::Get(), nullptr);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"+First", "+Second(First)", "-Second(First)", "-First"}));
}
