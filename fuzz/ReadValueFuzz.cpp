// Drives RegistryMod over the model with fuzzed contents: a value of any type and bytes stored
// and read back under a name and path spelt another way, or a value written from fuzzed text and
// read back. Checks what ReadValue returns and that no key handle is left open.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "registry/KeyOwner.h"
#include "registry/MemoryRegistry.h"
#include "registry/RegistryMod.h"
#include "registry/ValueText.h"

namespace {

namespace reg = corvelle::registry;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

constexpr const char* kStoredPath = "Software\\Fuzz\\Key";
constexpr const char* kReadPaths[] = {"Software\\Fuzz\\Key", "software\\FUZZ\\key\\",
                                      "Software\\\\Fuzz\\Key\\\\"};
constexpr const char* kReadNames[] = {"Plural", "plural", "PLURAL"};

// Stores the bytes as they are, then reads them back through ReadValue.
void StoredThenRead(reg::MemoryRegistry& registry, std::uint8_t choice,
                    std::uint32_t valueType, std::span<const std::uint8_t> bytes) {
    {
        reg::KeyOwner key(registry);
        Require(registry.CreateKey(reg::kCurrentUser, kStoredPath, key.put()) ==
                reg::status::kSuccess);
        // A non-zero byte just past the data, so a string type keeps exactly these bytes.
        std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        data.push_back(0xFF);
        Require(registry.SetValue(key.get(), "Plural", valueType, data.data(),
                                  static_cast<std::uint32_t>(bytes.size())) ==
                reg::status::kSuccess);
    }
    const reg::RegistryMod mod(registry);
    const std::string text =
        mod.ReadValue(reg::kCurrentUser, kReadPaths[choice % 3], kReadNames[(choice / 3) % 3]);
    Require(text == (bytes.size() > reg::kReadBufferSize ? std::string(reg::kNotFound)
                                                         : reg::ValueText(valueType, bytes)));
}

// Writes the text through WriteValue with a type code of 1 (REG_SZ), 4 (REG_DWORD) or another,
// then reads it back.
void WrittenThenRead(reg::MemoryRegistry& registry, std::uint8_t choice, std::string text) {
    const std::int32_t codes[] = {reg::type::kSz, reg::type::kDword, reg::type::kBinary};
    const std::int32_t code = codes[choice % 3];
    const reg::RegistryMod mod(registry);
    Require(mod.WriteValue(reg::kCurrentUser, kStoredPath, "Plural", code, text));
    const std::string read = mod.ReadValue(reg::kCurrentUser, kStoredPath, "plural");
    if (code == reg::type::kDword) {
        Require(read.size() >= 3 && read.find_first_not_of("0123456789") == std::string::npos);
        std::int32_t number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error == std::errc() && end == text.data() + text.size()) {
            Require(std::stoull(read) == static_cast<std::uint32_t>(number));
        }
        return;
    }
    // REG_SZ keeps its zero; another code stores none, but the registry counts in the one
    // std::string keeps just past the text unless the text already ends in a zero.
    const bool zeroStored = code == reg::type::kSz || (!text.empty() && text.back() != '\0');
    const std::string expected =
        zeroStored ? text : text.substr(0, text.empty() ? 0 : text.size() - 1);
    const std::size_t storedSize = expected.size() + 1;
    Require(read == (storedSize > reg::kReadBufferSize ? std::string(reg::kNotFound) : expected));
}

// Values near the read buffer's 2048 bytes are rare in a fuzzer's short inputs: two bytes of the
// input give a count of bytes inserted before the data's last byte, copies of its first.
std::vector<std::uint8_t> Padded(std::span<const std::uint8_t> data, std::size_t padding) {
    std::vector<std::uint8_t> padded(data.begin(), data.end());
    if (!padded.empty()) {
        padded.insert(padded.end() - 1, padding, padded.front());
    }
    return padded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    reg::MemoryRegistry registry;
    const std::uint8_t choice = input[1];
    const std::size_t padding = (std::size_t{input[2]} | std::size_t{input[3]} << 8) & 0x0FFF;
    const std::vector<std::uint8_t> data =
        Padded(std::span<const std::uint8_t>(input + 4, size - 4), padding);
    if (input[0] & 0x80) {
        WrittenThenRead(registry, choice, std::string(data.begin(), data.end()));
    } else {
        // The low bits choose the type code, so every type the text forms know is reached.
        const std::uint32_t types[] = {reg::type::kNone,  reg::type::kSz,    reg::type::kExpandSz,
                                       reg::type::kBinary, reg::type::kDword, reg::type::kMultiSz,
                                       reg::type::kQword, 0xFFFFFFFFU};
        StoredThenRead(registry, choice, types[input[0] % 8], data);
    }
    Require(registry.OpenHandleCount() == 0);
    return 0;
}
