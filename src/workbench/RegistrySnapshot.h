#pragma once

#include <string>
#include <vector>

namespace quarvel {

// A key of the user's registry (a path under HKEY_CURRENT_USER) as it was when taken: which
// keys of its path existed, and its values. Windows only.
class RegistrySnapshot {
public:
    explicit RegistrySnapshot(std::wstring path);

    // Puts the key back as taken: its values as they were, or, when it did not exist, no key
    // with all it holds now.
    void Restore() const;
    // Removes, deepest first, the keys of the path that did not exist when taken and hold
    // nothing now; a key that another program has filled since stays.
    void RemoveEmptyKeysMadeSince() const;

private:
    struct Value {
        std::wstring name;
        unsigned long type = 0;
        std::vector<unsigned char> data;
    };

    void ReadValues(void* key);

    std::wstring m_path;
    std::vector<std::wstring> m_missing; // the keys of the path that did not exist, upper first
    std::vector<Value> m_values;
};

} // namespace quarvel
