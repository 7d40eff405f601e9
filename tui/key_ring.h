// A small ring of keys that were polled before anyone asked for them.
#pragma once

namespace tui {

class keyRing {
public:
    static constexpr int capacity = 10;

    // Stores a key; false when the ring is full (the key is not stored).
    bool store(int key);
    // Takes the oldest key; false when the ring is empty.
    bool take(int& key);
    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == capacity; }
    // Drops every key.
    void clear() { read_ = write_ = count_ = 0; }

private:
    int keys_[capacity] = {};
    int read_ = 0;
    int write_ = 0;
    int count_ = 0;
};

}  // namespace tui
