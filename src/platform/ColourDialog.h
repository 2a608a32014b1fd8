#pragma once

#include "common/Colour.h"

namespace quorlin {

// The colour chooser. Returns the chosen colour; a cancelled chooser returns the colour it
// was opened with.
class ColourDialog {
  public:
    virtual ~ColourDialog() = default;
    virtual ColourValue choose(ColourValue current) = 0;
};

}  // namespace quorlin
