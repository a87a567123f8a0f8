#include "registry/MemoryRegistry.h"

#include <algorithm>
#include <vector>

namespace corvelle::registry {

namespace {

// Registry names compare without regard to case. Only ASCII letters are folded here; the real
// registry also folds letters of the ANSI code page, which no caller relies on.
unsigned char Fold(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return Fold(x) < Fold(y); });
    }
};

bool IsStringType(std::uint32_t valueType) {
    return valueType == type::kSz || valueType == type::kExpandSz || valueType == type::kMultiSz;
}

// The predefined roots HKEY_CLASSES_ROOT (0x80000000) to HKEY_CURRENT_CONFIG (0x80000005),
// sign-extended like kCurrentUser.
bool IsPredefined(KeyHandle key) {
    const auto first =
        static_cast<KeyHandle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000000U)));
    return key >= first && key <= first + 5;
}

// The key names of a path: runs of backslashes separate like one, and a trailing one adds nothing.
std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> names;
    std::size_t begin = 0;
    while (begin < path.size()) {
        const std::size_t end = std::min(path.find('\\', begin), path.size());
        if (end > begin) {
            names.push_back(path.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return names;
}

}  // namespace

struct MemoryRegistry::Impl {
    struct Value {
        std::uint32_t type = type::kNone;
        std::vector<std::uint8_t> bytes;
    };
    struct Key {
        bool isVolatile = false;
        bool readOnly = false;
        // Keys are never removed through the seven calls, so pointers to them stay valid.
        std::map<std::string, std::unique_ptr<Key>, CaseLess> subkeys;
        std::map<std::string, Value, CaseLess> values;
    };

    Key currentUser;
    std::map<KeyHandle, Key*> handles;
    // Handles are never reused, so a closed handle stays invalid.
    KeyHandle nextHandle = 0x100;

    Key* Resolve(KeyHandle handle) {
        if (handle == kCurrentUser) {
            return &currentUser;
        }
        const auto found = handles.find(handle);
        return found == handles.end() ? nullptr : found->second;
    }

    KeyHandle NewHandle(Key* key) {
        const KeyHandle handle = nextHandle;
        nextHandle += 4;
        handles.emplace(handle, key);
        return handle;
    }

    // Finds the key at the path below root; with create, makes missing keys on the way.
    Status Walk(KeyHandle root, const std::string& path, bool create, Key** result) {
        Key* key = Resolve(root);
        if (key == nullptr) {
            return status::kInvalidHandle;
        }
        if (!path.empty() && path.front() == '\\') {
            return status::kBadPathName;
        }
        for (const std::string& name : SplitPath(path)) {
            const auto found = key->subkeys.find(name);
            if (found != key->subkeys.end()) {
                key = found->second.get();
                continue;
            }
            if (!create) {
                return status::kFileNotFound;
            }
            if (key->readOnly) {
                return status::kAccessDenied;
            }
            if (key->isVolatile) {
                return status::kChildMustBeVolatile;
            }
            key = key->subkeys.emplace(name, std::make_unique<Key>()).first->second.get();
        }
        *result = key;
        return status::kSuccess;
    }
};

MemoryRegistry::MemoryRegistry() : impl_(std::make_unique<Impl>()) {}

MemoryRegistry::~MemoryRegistry() = default;

Status MemoryRegistry::OpenKey(KeyHandle root, const std::string& path, KeyHandle* result) {
    if (result == nullptr) {
        return status::kInvalidParameter;
    }
    // RegOpenKeyA hands back the root itself for an empty path, without checking it.
    if (path.empty()) {
        *result = root;
        return status::kSuccess;
    }
    *result = kNullKey;
    Impl::Key* key = nullptr;
    const Status walked = impl_->Walk(root, path, false, &key);
    if (walked == status::kSuccess) {
        *result = impl_->NewHandle(key);
    }
    return walked;
}

Status MemoryRegistry::CreateKey(KeyHandle root, const std::string& path, KeyHandle* result) {
    if (result == nullptr) {
        return status::kInvalidParameter;
    }
    *result = kNullKey;
    Impl::Key* key = nullptr;
    const Status walked = impl_->Walk(root, path, true, &key);
    if (walked == status::kSuccess) {
        *result = impl_->NewHandle(key);
    }
    return walked;
}

Status MemoryRegistry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* valueType,
                                  std::uint8_t* data, std::uint32_t* size) {
    const Impl::Key* found = impl_->Resolve(key);
    if (found == nullptr) {
        return status::kInvalidHandle;
    }
    if (data != nullptr && size == nullptr) {
        return status::kInvalidParameter;
    }
    const auto value = found->values.find(name);
    if (value == found->values.end()) {
        return status::kFileNotFound;
    }
    const auto length = static_cast<std::uint32_t>(value->second.bytes.size());
    Status result = status::kSuccess;
    if (data != nullptr) {
        if (length > *size) {
            result = status::kMoreData;  // the buffer is left as it was
        } else {
            std::copy(value->second.bytes.begin(), value->second.bytes.end(), data);
            // A string stored without its terminating zero gets one in the buffer when there is
            // room, as RegQueryValueExA does; the size returned does not count it.
            if (IsStringType(value->second.type) && length > 0 && length < *size &&
                data[length - 1] != 0) {
                data[length] = 0;
            }
        }
    }
    if (valueType != nullptr) {
        *valueType = value->second.type;
    }
    if (size != nullptr) {
        *size = length;
    }
    return result;
}

Status MemoryRegistry::SetValue(KeyHandle key, const std::string& name, std::uint32_t valueType,
                                const std::uint8_t* data, std::uint32_t size) {
    Impl::Key* found = impl_->Resolve(key);
    if (found == nullptr) {
        return status::kInvalidHandle;
    }
    if (data == nullptr && size != 0) {
        return status::kInvalidParameter;
    }
    if (found->readOnly) {
        return status::kAccessDenied;
    }
    // RegSetValueExA counts a string's terminating zero when the caller left it just outside
    // the count; like the real call, this looks at the byte after the data.
    if (IsStringType(valueType) && size > 0 && data[size - 1] != 0 && data[size] == 0) {
        ++size;
    }
    Impl::Value& value = found->values[name];
    value.type = valueType;
    value.bytes.assign(data, data + size);
    return status::kSuccess;
}

Status MemoryRegistry::DeleteValue(KeyHandle key, const std::string& name) {
    Impl::Key* found = impl_->Resolve(key);
    if (found == nullptr) {
        return status::kInvalidHandle;
    }
    if (found->readOnly) {
        return status::kAccessDenied;
    }
    return found->values.erase(name) == 1 ? status::kSuccess : status::kFileNotFound;
}

Status MemoryRegistry::FlushKey(KeyHandle key) {
    return impl_->Resolve(key) == nullptr ? status::kInvalidHandle : status::kSuccess;
}

Status MemoryRegistry::CloseKey(KeyHandle key) {
    if (IsPredefined(key)) {
        return status::kSuccess;
    }
    return impl_->handles.erase(key) == 1 ? status::kSuccess : status::kInvalidHandle;
}

Status MemoryRegistry::CreateVolatileKey(KeyHandle root, const std::string& path) {
    // The parents are ordinary keys; only the last one is volatile, and only if this creates it.
    const std::vector<std::string> names = SplitPath(path);
    if (!path.empty() && path.front() == '\\') {
        return status::kBadPathName;
    }
    if (names.empty()) {
        return status::kInvalidParameter;
    }
    std::string parentPath;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        parentPath += names[i] + '\\';
    }
    Impl::Key* parent = nullptr;
    const Status walked = impl_->Walk(root, parentPath, true, &parent);
    if (walked != status::kSuccess) {
        return walked;
    }
    if (parent->subkeys.find(names.back()) != parent->subkeys.end()) {
        return status::kSuccess;
    }
    auto key = std::make_unique<Impl::Key>();
    key->isVolatile = true;
    parent->subkeys.emplace(names.back(), std::move(key));
    return status::kSuccess;
}

bool MemoryRegistry::MakeReadOnly(KeyHandle root, const std::string& path) {
    Impl::Key* key = nullptr;
    if (impl_->Walk(root, path, false, &key) != status::kSuccess) {
        return false;
    }
    key->readOnly = true;
    return true;
}

std::size_t MemoryRegistry::OpenHandleCount() const noexcept {
    return impl_->handles.size();
}

}  // namespace corvelle::registry
