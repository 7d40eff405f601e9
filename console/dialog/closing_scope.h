// Brackets that close themselves: a scope object holds the step that closes
// a bracket (the wait box, configuration access, a disk change) and runs it
// once, at release() or when the scope ends, whichever comes first.
#pragma once

#include <functional>
#include <utility>

// One open bracket; empty when the opening was refused (nothing to close).
class ClosingScope {
public:
    ClosingScope() = default;
    // Holds `close` until release() or the end of the scope.
    explicit ClosingScope(std::function<void()> close) : close_(std::move(close)) {}
    ~ClosingScope() { release(); }
    ClosingScope(const ClosingScope&) = delete;
    ClosingScope& operator=(const ClosingScope&) = delete;
    // Takes the other's bracket; the other is left empty.
    ClosingScope(ClosingScope&& other) noexcept : close_(std::move(other.close_)) { other.close_ = nullptr; }
    // Closes its own bracket, then takes the other's.
    ClosingScope& operator=(ClosingScope&& other) noexcept;

    // Closes the bracket now; later calls and the end of the scope do nothing.
    void release();
    // Whether the bracket is still open.
    explicit operator bool() const { return static_cast<bool>(close_); }

private:
    std::function<void()> close_;
};

// The wait box with M2000 until the scope ends.
ClosingScope WaitBoxScope();
