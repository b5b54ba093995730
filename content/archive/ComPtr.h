#pragma once

#include <utility>

namespace sevenzip {

// Holds one reference to a plug-in object (or one of ours handed to it) and
// releases it when it goes out of scope, also when an exception passes.
template <typename T>
class ComPtr
{
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* object) : m_object(object) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // For functions that hand out a new reference; releases the old one.
    void** out()
    {
        reset();
        return reinterpret_cast<void**>(&m_object);
    }

    void reset()
    {
        if (T* object = std::exchange(m_object, nullptr))
            object->Release();
    }

private:
    T* m_object = nullptr;
};

} // namespace sevenzip
