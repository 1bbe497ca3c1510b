#pragma once
// One owner per handle: small move-only wrappers that close what they hold.
#include <windows.h>

#include <utility>

template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(std::exchange(other.value_, Traits::invalid())) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.value_, Traits::invalid()));
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::invalid(); }
    void reset(T value = Traits::invalid())
    {
        if (value_ != Traits::invalid())
            Traits::close(value_);
        value_ = value;
    }
    T release() { return std::exchange(value_, Traits::invalid()); }

private:
    T value_ = Traits::invalid();
};

// Handles whose invalid value is null, closed by the given function.
template <typename T, auto Close> struct NullHandleTraits {
    static T invalid() { return nullptr; }
    static void close(T h) { Close(h); }
};
// Handles whose invalid value is INVALID_HANDLE_VALUE, closed by the given function.
template <auto Close> struct InvalidHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { Close(h); }
};

using UniqueHandle = UniqueResource<HANDLE, NullHandleTraits<HANDLE, &CloseHandle>>;
using UniqueFile = UniqueResource<HANDLE, InvalidHandleTraits<&CloseHandle>>;
using UniqueFind = UniqueResource<HANDLE, InvalidHandleTraits<&FindClose>>;
using UniqueChangeNotification = UniqueResource<HANDLE, InvalidHandleTraits<&FindCloseChangeNotification>>;
using UniqueMenu = UniqueResource<HMENU, NullHandleTraits<HMENU, &DestroyMenu>>;
using UniqueRegKey = UniqueResource<HKEY, NullHandleTraits<HKEY, &RegCloseKey>>;
using UniqueLibrary = UniqueResource<HMODULE, NullHandleTraits<HMODULE, &FreeLibrary>>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, NullHandleTraits<HGDIOBJ, &DeleteObject>>;
using UniqueIcon = UniqueResource<HICON, NullHandleTraits<HICON, &DestroyIcon>>;
