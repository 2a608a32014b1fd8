#pragma once

#include <QString>

#include <array>

namespace quorlin {

constexpr int kChannelCount = 8;

// Per-channel storage: everything about a channel exists once, indexed 0..7.
template <typename T>
using PerChannel = std::array<T, kChannelCount>;

inline QString channelName(int channel) { return QStringLiteral("CH%1").arg(channel); }

// Chart plots are numbered 1..8; plot k+1 belongs to channel k.
constexpr int plotOfChannel(int channel) { return channel + 1; }

}  // namespace quorlin
