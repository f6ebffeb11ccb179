// Owner of the run's one socket: closed exactly once, on every way out of main.
#pragma once

#include <unistd.h>

class SocketDescriptor {
public:
    SocketDescriptor() = default;
    SocketDescriptor(const SocketDescriptor&) = delete;
    SocketDescriptor& operator=(const SocketDescriptor&) = delete;
    SocketDescriptor(SocketDescriptor&&) = delete;
    SocketDescriptor& operator=(SocketDescriptor&&) = delete;
    ~SocketDescriptor() { reset(-1); }

    // Takes ownership of a descriptor as returned by socket(), failures included.
    void reset(int descriptor)
    {
        // Descriptor 0 is a socket like any other when stdin was closed at start.
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = descriptor;
    }

    [[nodiscard]] int get() const { return descriptor_; }

private:
    int descriptor_ = -1;
};
