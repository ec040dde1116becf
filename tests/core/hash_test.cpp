#include "core/hash.h"

#include <gtest/gtest.h>

TEST(Hash, Fnv1aGivesThePublishedValuesAndContinues)
{
    EXPECT_EQ(System::fnv1a(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(System::fnv1a("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(System::fnv1a("foobar"), 0x85944171f73967e8ull);
    EXPECT_EQ(System::fnv1a("bar", System::fnv1a("foo")), System::fnv1a("foobar"));
    // Bytes above 127 and zero bytes count as bytes.
    EXPECT_EQ(System::fnv1a(std::string_view("\xff\0", 2)),
              System::fnv1a(std::string_view("\0", 1), System::fnv1a("\xff")));
    EXPECT_NE(System::fnv1a(std::string_view("\0", 1)), System::fnv1a(""));
    // The memory form (the graphics layer's keys) is the same hash.
    EXPECT_EQ(System::fnv1aBytes("foobar", 6), 0x85944171f73967e8ull);
    EXPECT_EQ(System::fnv1aBytes("bar", 3, System::fnv1aBytes("foo", 3)), System::fnv1a("foobar"));
}
