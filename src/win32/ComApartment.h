#pragma once

namespace pellora::win32 {

// The calling thread in a single-threaded COM apartment for as long as this
// lives: the shell's folder dialog needs one on the window's thread.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool entered_;
};

} // namespace pellora::win32
