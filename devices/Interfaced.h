#pragma once

#include <cstdint>
#include <utility>

namespace hortivex {

// A reference-counted object: the count starts at 0, each holder adds a reference and the last
// release destroys the object.
class TInterfacedObject {
public:
    virtual ~TInterfacedObject() = default;
    TInterfacedObject() = default;
    TInterfacedObject(const TInterfacedObject&) = delete;
    TInterfacedObject& operator=(const TInterfacedObject&) = delete;

    // Answers false: the objects of this system offer no further interface.
    virtual bool QueryInterface(std::uint32_t interfaceId, void** object) {
        (void)interfaceId;
        if (object)
            *object = nullptr;
        return false;
    }
    int AddRef() { return ++refCount_; }
    int Release() {
        const int left = --refCount_;
        if (left == 0)
            delete this;
        return left;
    }
    int RefCount() const { return refCount_; }

private:
    int refCount_ = 0;
};

// Holds one reference to a TInterfacedObject.
template <class T> class Ref {
public:
    Ref() = default;
    explicit Ref(T* object) : object_(object) {
        if (object_)
            object_->AddRef();
    }
    Ref(const Ref& other) : Ref(other.object_) {}
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref other) {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref() {
        if (object_)
            object_->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

} // namespace hortivex
