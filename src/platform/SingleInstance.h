#pragma once

namespace quorlin {

class SingleInstance {
  public:
    virtual ~SingleInstance() = default;
    // True when this is the only running instance; held until the object goes away.
    virtual bool acquire() = 0;
};

}  // namespace quorlin
