#include "key_ring.h"

namespace tui {

bool keyRing::store(int key)
{
    if (full())
        return false;
    keys_[write_] = key;
    write_ = (write_ + 1) % capacity;
    ++count_;
    return true;
}

bool keyRing::take(int& key)
{
    if (empty())
        return false;
    key = keys_[read_];
    read_ = (read_ + 1) % capacity;
    --count_;
    return true;
}

}  // namespace tui
