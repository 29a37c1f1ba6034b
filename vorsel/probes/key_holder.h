// Owner of one open registry key: closes it exactly once, on every path out of its scope.
#pragma once

#include <windows.h>

class KeyHolder {
public:
    KeyHolder() noexcept = default;
    explicit KeyHolder(HKEY key) noexcept : key_(key) {}
    KeyHolder(KeyHolder&& other) noexcept : key_(other.Release()) {}
    KeyHolder& operator=(KeyHolder&& other) noexcept
    {
        if (this != &other) {
            Close();
            key_ = other.Release();
        }
        return *this;
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    ~KeyHolder() { Close(); }

    HKEY Get() const noexcept { return key_; }

    HKEY Release() noexcept
    {
        HKEY key = key_;
        key_ = nullptr;
        return key;
    }

    void Close() noexcept
    {
        if (key_ != nullptr) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }

private:
    HKEY key_ = nullptr;
};
