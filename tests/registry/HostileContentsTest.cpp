// Whatever another program left in a value, ReadValue turns it into its text form or "Not Found",
// and WriteValue and DeleteValue change the one value named and nothing else.
#include "registry/RegistryFixture.h"

namespace corvelle::registry::testing {
namespace {

using HostileContents = RegistryFixture;

Bytes Filled(std::size_t size, std::uint8_t byte, std::uint8_t last) {
    Bytes bytes(size, byte);
    bytes.back() = last;
    return bytes;
}

std::string Repeated(const std::string& text, std::size_t times) {
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

TEST_P(HostileContents, ReadValueGivesTheTextFormOfAnyContent) {
    struct Case {
        const char* what;
        std::uint32_t type;
        Bytes bytes;
        std::string text;
    };
    const Case cases[] = {
        {"dword 1", type::kDword, {1, 0, 0, 0}, "001"},
        {"dword 0", type::kDword, {0, 0, 0, 0}, "000"},
        {"dword 42", type::kDword, {42, 0, 0, 0}, "042"},
        {"dword 1234", type::kDword, {0xD2, 0x04, 0, 0}, "1234"},
        {"dword top bit", type::kDword, {0, 0, 0, 0x80}, "2147483648"},
        {"dword all ones", type::kDword, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {"dword 3 bytes", type::kDword, {1, 1, 1}, "65793"},
        {"dword 2 bytes", type::kDword, {2, 1}, "258"},
        {"dword 1 byte", type::kDword, {7}, "007"},
        {"dword no bytes", type::kDword, {}, "000"},
        {"dword 8 bytes", type::kDword, {1, 0, 0, 0, 9, 9, 9, 9}, "001"},
        {"binary", type::kBinary, {0x0A, 0xFF, 0x00}, "0AFF00"},
        {"binary empty", type::kBinary, {}, ""},
        {"binary 2048", type::kBinary, Bytes(2048, 0xAB), Repeated("AB", 2048)},
        {"binary 2049", type::kBinary, Bytes(2049, 0xAB), kNotFound},
        {"sz star", type::kSz, {'*', 0}, "*"},
        {"sz about:blank", type::kSz, BytesOf(std::string("about:blank\0", 12)), "about:blank"},
        {"sz 001", type::kSz, {'0', '0', '1', 0}, "001"},
        {"sz empty", type::kSz, {0}, ""},
        {"sz no data", type::kSz, {}, ""},
        {"sz without zero", type::kSz, {'a', 'b'}, "a"},
        {"sz Not Found", type::kSz, BytesOf(std::string("Not Found\0", 10)), kNotFound},
        {"sz non-ASCII", type::kSz, {0xE9, 0x80, 0xFF, 0}, "\xE9\x80\xFF"},
        {"sz inner zero", type::kSz, {'a', 0, 'b', 0}, std::string("a\0b", 3)},
        {"sz 2048", type::kSz, Filled(2048, 'x', 0), std::string(2047, 'x')},
        {"sz 2049", type::kSz, Filled(2049, 'x', 0), kNotFound},
        {"expand sz", type::kExpandSz, {'%', 'T', 'M', 'P', '%', 0}, "%TMP%"},
        {"multi sz", type::kMultiSz, {'a', 0, 'b', 0, 0}, std::string("a\0b\0", 4)},
        {"qword", type::kQword, {1, 0, 0, 0, 0, 0, 0, 2}, std::string("\1\0\0\0\0\0\0", 7)},
        {"none", type::kNone, {'*', 0}, "*"},
        {"none empty", type::kNone, {}, ""},
        {"none 2049", type::kNone, Bytes(2049, 1), kNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Store(Scratch("YUrl"), "Messenger Ad", c.type, c.bytes), status::kSuccess);
        for (const char* name : {"Messenger Ad", "MESSENGER AD", "messenger ad"}) {
            EXPECT_EQ(Mod().ReadValue(kCurrentUser, Scratch("YUrl\\"), name), c.text) << name;
        }
    }
}

TEST_P(HostileContents, AKeyNamedLikeTheValueIsNoValue) {
    const Stored inner = {type::kDword, {2, 0, 0, 0}};
    ASSERT_EQ(Store(Scratch("Test\\Plural"), "Plural", inner.type, inner.bytes), status::kSuccess);
    EXPECT_EQ(Mod().ReadValue(kCurrentUser, Scratch("Test"), "Plural"), kNotFound);
    EXPECT_TRUE(Mod().DeleteValue(kCurrentUser, Scratch("Test"), "Plural"));
    ASSERT_TRUE(Mod().WriteValue(kCurrentUser, Scratch("Test"), "plural", type::kDword, "1"));
    EXPECT_EQ(Mod().ReadValue(kCurrentUser, Scratch("Test"), "Plural"), "001");
    EXPECT_TRUE(Mod().DeleteValue(kCurrentUser, Scratch("Test"), "PLURAL"));
    EXPECT_EQ(Read(Scratch("Test\\Plural"), "Plural"), inner);
}

TEST_P(HostileContents, WriteAndDeleteChangeOnlyTheValueNamed) {
    const std::string path = Scratch("YUrl");
    const std::pair<std::string, Stored> neighbours[] = {
        {"Chat Adurl", {type::kSz, {'h', 't', 't', 'p', 0}}},
        {"Messenger Ad Big", {type::kBinary, {0, 1, 2}}},
        {"Messenger", {type::kDword, {5, 0, 0, 0}}},
        {"", {type::kSz, {'d', 'e', 'f', 0}}},
    };
    for (const auto& [name, stored] : neighbours) {
        ASSERT_EQ(Store(path, name, stored.type, stored.bytes), status::kSuccess);
    }
    ASSERT_EQ(Store(path + "\\Messenger Ad", "Messenger Ad", type::kSz, {'x', 0}),
              status::kSuccess);
    // A value of another type under the same name is replaced whole.
    ASSERT_EQ(Store(path, "Messenger Ad", type::kBinary, Bytes(300, 7)), status::kSuccess);

    const auto expectNeighboursUntouched = [&] {
        for (const auto& [name, stored] : neighbours) {
            EXPECT_EQ(Read(path, name), stored) << '"' << name << '"';
        }
        EXPECT_EQ(Read(path + "\\Messenger Ad", "Messenger Ad"), (Stored{type::kSz, {'x', 0}}));
    };
    ASSERT_TRUE(Mod().WriteValue(kCurrentUser, path + "\\", "messenger ad", type::kSz, "*"));
    EXPECT_EQ(Read(path, "Messenger Ad"), (Stored{type::kSz, {'*', 0}}));
    expectNeighboursUntouched();
    ASSERT_TRUE(Mod().DeleteValue(kCurrentUser, path, "MESSENGER AD"));
    EXPECT_FALSE(Read(path, "Messenger Ad").has_value());
    expectNeighboursUntouched();
}

CORVELLE_ON_EVERY_REGISTRY(HostileContents);

}  // namespace
}  // namespace corvelle::registry::testing
