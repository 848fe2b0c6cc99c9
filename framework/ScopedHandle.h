// ScopedHandle: a non-copyable owner of one OS handle, released through its traits when it goes.
#pragma once

#include <utility>

// Traits supply: typedef Handle; static Handle Invalid(); static void Release(Handle).
template <typename Traits>
class ScopedHandle {
public:
    typedef typename Traits::Handle Handle;

    ScopedHandle() : m_h(Traits::Invalid()) {}
    explicit ScopedHandle(Handle h) : m_h(h) {}
    ScopedHandle(ScopedHandle&& other) noexcept : m_h(other.Detach()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        Reset(other.Detach());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { Reset(); }

    Handle Get() const { return m_h; }
    bool IsValid() const { return m_h != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    void Reset(Handle h = Traits::Invalid())
    {
        if (m_h != Traits::Invalid() && m_h != h) Traits::Release(m_h);
        m_h = h;
    }
    Handle Detach() { return std::exchange(m_h, Traits::Invalid()); }

private:
    Handle m_h;
};
