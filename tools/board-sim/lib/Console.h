#pragma once

// The text side of the simulated board program: source descriptions from the command line
// and the fault commands a person types while it runs.

#include "BoardSim.h"

#include <QString>

#include <array>
#include <optional>

namespace quorlin::sim {

// A raw reading written in decimal or with 0x in hex, 0..0xFFFF.
std::optional<uint16_t> parseRaw(const QString& text);

// const:RAW | ramp:START:STEP | sine:CENTRE:AMPLITUDE:PERIOD | noise:CENTRE:SPREAD:SEED |
// script:V1,V2,... (repeated) | hold:V1,V2,... (the last value held). On failure `error` says why.
std::optional<Source> parseSource(const QString& description, QString* error = nullptr);

// CH=SOURCE with CH 0..7.
std::optional<std::pair<int, Source>> parseChannelSource(const QString& text,
                                                         QString* error = nullptr);

// All eight channels moving: sines of different periods and sizes, a ramp and noise.
std::array<Source, 8> demoSources();

// Runs one command line on the board and returns its acknowledgement (empty for a blank
// line). `quit` is set by "quit".
QString runCommand(BoardSim& board, const QString& line, bool* quit);

QString commandHelp();

}  // namespace quorlin::sim
