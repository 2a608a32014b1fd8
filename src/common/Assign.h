#pragma once

namespace quorlin {

// Stores a value and tells whether it changed: presentation models signal only real changes,
// so change handlers chain as the boxes' own change events would.
template <typename T>
bool assignIfChanged(T& field, const T& value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

}  // namespace quorlin
