#include "registry/RegistryMod.h"

#include <array>
#include <charconv>
#include <span>
#include <utility>
#include <vector>

#include "registry/KeyOwner.h"
#include "registry/ValueText.h"

namespace corvelle::registry {

namespace {

// Reads text as a 32-bit signed number as the DWORD write expects it: optional blanks and sign,
// decimal digits. Anything else, or a number out of range, gives 0.
std::int32_t DwordFromText(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return 0;
    }
    if (text[begin] == '+') {
        ++begin;
    }
    const char* first = text.data() + begin;
    const char* last = text.data() + text.size();
    while (last != first && (last[-1] == ' ' || last[-1] == '\t')) {
        --last;
    }
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) {
        return 0;
    }
    return number;
}

}  // namespace

std::string RegistryMod::ReadValue(KeyHandle root, const std::string& keyPath,
                                   const std::string& valueName) const noexcept {
    return ReadValueStatus(root, keyPath, valueName).text;
}

ValueRead RegistryMod::ReadValueStatus(KeyHandle root, const std::string& keyPath,
                                       const std::string& valueName) const noexcept {
    try {
        KeyOwner key(api_);
        // A failed open leaves the handle null, and the read fails with it; the open's result only
        // says why.
        const Status opened = api_.OpenKey(root, keyPath, key.put());
        if (key.get() == kNullKey) {
            return {kNotFound, opened != status::kSuccess ? opened : status::kInvalidHandle};
        }
        std::vector<std::uint8_t> buffer(kReadBufferSize, 0);
        std::uint32_t valueType = type::kNone;
        std::uint32_t size = kReadBufferSize;
        const Status queried =
            api_.QueryValue(key.get(), valueName, &valueType, buffer.data(), &size);
        if (queried != status::kSuccess) {
            return {kNotFound, queried};
        }
        if (size > kReadBufferSize) {
            return {kNotFound, status::kMoreData};
        }
        return {ValueText(valueType, std::span<const std::uint8_t>(buffer.data(), size)),
                status::kSuccess};
    } catch (...) {
        // Only allocation can throw here; a read that cannot complete is a failed read.
        return {kNotFound, status::kNotEnoughMemory};
    }
}

bool RegistryMod::WriteValue(KeyHandle root, const std::string& keyPath,
                             const std::string& valueName, std::int32_t valueType,
                             std::string data) const noexcept {
    try {
        KeyOwner key(api_);
        if (api_.CreateKey(root, keyPath, key.put()) != status::kSuccess ||
            key.get() == kNullKey) {
            return false;
        }
        Status stored = status::kSuccess;
        if (valueType == static_cast<std::int32_t>(type::kDword)) {
            const auto number = static_cast<std::uint32_t>(DwordFromText(data));
            const std::array<std::uint8_t, 4> bytes = {
                static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
            stored = api_.SetValue(key.get(), valueName, type::kDword, bytes.data(),
                                   static_cast<std::uint32_t>(bytes.size()));
        } else {
            // Strings are stored with their terminating zero; any other type code passes the
            // text as REG_SZ without one (RegSetValueExA counts in std::string's zero after it).
            if (valueType == static_cast<std::int32_t>(type::kSz)) {
                data.push_back('\0');
            }
            stored = api_.SetValue(key.get(), valueName, type::kSz,
                                   reinterpret_cast<const std::uint8_t*>(data.data()),
                                   static_cast<std::uint32_t>(data.size()));
        }
        // Written to storage before the routine returns; a failed flush does not undo the write.
        api_.FlushKey(key.get());
        return stored == status::kSuccess;
    } catch (...) {
        return false;
    }
}

bool RegistryMod::DeleteValue(KeyHandle root, const std::string& keyPath,
                              const std::string& valueName) const noexcept {
    try {
        KeyOwner key(api_);
        const Status opened = api_.OpenKey(root, keyPath, key.put());
        if (opened == status::kFileNotFound) {
            return true;  // no key, so no value
        }
        if (opened != status::kSuccess || key.get() == kNullKey) {
            return false;
        }
        const Status deleted = api_.DeleteValue(key.get(), valueName);
        if (deleted == status::kSuccess || deleted == status::kFileNotFound) {
            return true;
        }
        // A refused delete (a key that may only be read refuses even a missing value) leaves
        // the value as it was: gone only if it was never there.
        std::uint32_t size = 0;
        return api_.QueryValue(key.get(), valueName, nullptr, nullptr, &size) ==
               status::kFileNotFound;
    } catch (...) {
        return false;
    }
}

}  // namespace corvelle::registry
