// Small owners for automation values, and guard macros, so that a method body
// reads as its algorithm. All are move-only; get() looks, release() hands the
// value over, reset() frees, and the out-parameter accessors (Out()) free
// what is held first and give the address to fill.
#pragma once

#include <utility>

#include "kelmapi/automation.h"
#include "util/Failures.h"

// A guard that returns a failure reports where first (util/Failures.h).
#define RETURN_IF_FAILED(expr)                                            \
    do {                                                                  \
        const HRESULT hr_ = (expr);                                       \
        if (FAILED(hr_)) {                                                \
            ::kelm::ReportFailure(hr_, __FILE__, __LINE__, #expr);        \
            return hr_;                                                   \
        }                                                                 \
    } while (0)

#define RETURN_HR_IF_NULL(hr, ptr)                                        \
    do {                                                                  \
        if ((ptr) == nullptr) {                                           \
            ::kelm::ReportFailure((hr), __FILE__, __LINE__, #ptr " is null"); \
            return (hr);                                                  \
        }                                                                 \
    } while (0)

#define RETURN_HR_IF(hr, cond)                                            \
    do {                                                                  \
        if (cond) {                                                       \
            if (FAILED(hr)) ::kelm::ReportFailure((hr), __FILE__, __LINE__, #cond); \
            return (hr);                                                  \
        }                                                                 \
    } while (0)

namespace kelm {

class AutoBstr {
public:
    AutoBstr() = default;
    explicit AutoBstr(BSTR owned) : m_value(owned) {}
    AutoBstr(const AutoBstr&) = delete;
    AutoBstr& operator=(const AutoBstr&) = delete;
    AutoBstr(AutoBstr&& other) noexcept : m_value(other.release()) {}
    AutoBstr& operator=(AutoBstr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~AutoBstr() { reset(); }

    BSTR get() const { return m_value; }
    BSTR release() { return std::exchange(m_value, nullptr); }
    void reset(BSTR value = nullptr) {
        if (m_value != nullptr && m_value != value) SysFreeString(m_value);
        m_value = value;
    }
    BSTR* Out() { reset(); return &m_value; }

private:
    BSTR m_value = nullptr;
};

class AutoSafeArray {
public:
    AutoSafeArray() = default;
    explicit AutoSafeArray(SAFEARRAY* owned) : m_value(owned) {}
    AutoSafeArray(const AutoSafeArray&) = delete;
    AutoSafeArray& operator=(const AutoSafeArray&) = delete;
    AutoSafeArray(AutoSafeArray&& other) noexcept : m_value(other.release()) {}
    AutoSafeArray& operator=(AutoSafeArray&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~AutoSafeArray() { reset(); }

    SAFEARRAY* get() const { return m_value; }
    SAFEARRAY* release() { return std::exchange(m_value, nullptr); }
    void reset(SAFEARRAY* value = nullptr) {
        if (m_value != nullptr && m_value != value) SafeArrayDestroy(m_value);
        m_value = value;
    }
    SAFEARRAY** Out() { reset(); return &m_value; }

private:
    SAFEARRAY* m_value = nullptr;
};

// Holds a SafeArrayAccessData lock for one scope.
class SafeArrayDataLock {
public:
    explicit SafeArrayDataLock(SAFEARRAY* array) : m_array(array) {
        m_status = SafeArrayAccessData(array, &m_data);
    }
    SafeArrayDataLock(const SafeArrayDataLock&) = delete;
    SafeArrayDataLock& operator=(const SafeArrayDataLock&) = delete;
    ~SafeArrayDataLock() { Unlock(); }

    HRESULT status() const { return m_status; }
    template <typename T> T* data() const { return static_cast<T*>(m_data); }
    // Releases the lock now; returns the unlock status (S_OK when not locked).
    HRESULT Unlock() {
        if (FAILED(m_status) || m_array == nullptr) return S_OK;
        SAFEARRAY* array = std::exchange(m_array, nullptr);
        return SafeArrayUnaccessData(array);
    }

private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
    HRESULT m_status;
};

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* owned) : m_value(owned) {}  // takes a reference already counted
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_value(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return m_value; }
    T* operator->() const { return m_value; }
    explicit operator bool() const { return m_value != nullptr; }
    T* release() { return std::exchange(m_value, nullptr); }
    void reset(T* value = nullptr) {
        T* old = std::exchange(m_value, value);
        if (old != nullptr) old->Release();
    }
    T** Out() { reset(); return &m_value; }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

private:
    T* m_value = nullptr;
};

}  // namespace kelm
