#include "workbench/RegistrySnapshot.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <utility>

namespace quarvel {
namespace {

// An open key, closed when it goes; nullptr when it could not be opened.
class OpenKey {
public:
    OpenKey(const std::wstring& path, REGSAM access) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &m_key) != ERROR_SUCCESS) {
            m_key = nullptr;
        }
    }
    ~OpenKey() {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::vector<std::wstring> ValueNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD count = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0; i < count; ++i) {
        std::wstring name(longest + 1, L'\0');
        DWORD length = longest + 1;
        if (RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            name.resize(length);
            names.push_back(std::move(name));
        }
    }
    return names;
}

enum class KeyContent { Missing, Empty, Filled };

KeyContent ContentOf(const std::wstring& path) {
    const OpenKey key(path, KEY_READ);
    DWORD keys = 0;
    DWORD values = 0;
    if (key.Get() == nullptr) {
        return KeyContent::Missing;
    }
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return KeyContent::Filled; // unknown: left alone
    }
    return keys == 0 && values == 0 ? KeyContent::Empty : KeyContent::Filled;
}

} // namespace

RegistrySnapshot::RegistrySnapshot(std::wstring path) : m_path(std::move(path)) {
    for (std::size_t end = m_path.find(L'\\');; end = m_path.find(L'\\', end + 1)) {
        const std::wstring upTo = m_path.substr(0, end);
        const OpenKey key(upTo, KEY_READ);
        if (key.Get() == nullptr) {
            m_missing.push_back(upTo);
        } else if (end == std::wstring::npos) {
            ReadValues(key.Get());
        }
        if (end == std::wstring::npos) {
            break;
        }
    }
}

void RegistrySnapshot::ReadValues(void* handle) {
    const auto key = static_cast<HKEY>(handle);
    for (std::wstring& name : ValueNames(key)) {
        Value value;
        DWORD size = 0;
        if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) !=
            ERROR_SUCCESS) {
            continue;
        }
        value.data.resize(size);
        if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &size) ==
            ERROR_SUCCESS) {
            value.data.resize(size);
            value.name = std::move(name);
            m_values.push_back(std::move(value));
        }
    }
}

void RegistrySnapshot::Restore() const {
    if (!m_missing.empty() && m_missing.back() == m_path) {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        return;
    }
    const OpenKey key(m_path, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (key.Get() == nullptr) {
        return; // gone meanwhile: nothing of it to put back
    }
    for (const std::wstring& name : ValueNames(key.Get())) {
        const bool kept = std::any_of(m_values.begin(), m_values.end(),
                                      [&name](const Value& value) { return value.name == name; });
        if (!kept) {
            RegDeleteValueW(key.Get(), name.c_str());
        }
    }
    for (const Value& value : m_values) {
        RegSetValueExW(key.Get(), value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    }
}

void RegistrySnapshot::RemoveEmptyKeysMadeSince() const {
    for (auto key = m_missing.rbegin(); key != m_missing.rend(); ++key) {
        const KeyContent content = ContentOf(*key);
        if (content == KeyContent::Filled ||
            (content == KeyContent::Empty &&
             RegDeleteKeyW(HKEY_CURRENT_USER, key->c_str()) != ERROR_SUCCESS)) {
            return; // the keys above hold this one
        }
    }
}

} // namespace quarvel
