#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <initializer_list>
#include <random>
#include <vector>

namespace quorlin::test {

// Rounds of a fuzz test: QUORLIN_FUZZ_ITERATIONS when set, else the given count.
inline int fuzzIterations(int otherwise) {
    return qEnvironmentVariableIsSet("QUORLIN_FUZZ_ITERATIONS")
               ? qEnvironmentVariableIntValue("QUORLIN_FUZZ_ITERATIONS")
               : otherwise;
}

// A valid file changed in one to eight places: a byte flipped, a piece of the format's
// vocabulary inserted (pieces), bytes removed, the rest cut off, a long run of digits, or a
// stretch of the file repeated elsewhere.
inline QByteArray mutate(QByteArray bytes, std::mt19937& gen,
                         const std::vector<QByteArray>& pieces) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    const int rounds = pick(1, 8);
    for (int r = 0; r < rounds && !bytes.isEmpty(); ++r) {
        const int at = pick(0, static_cast<int>(bytes.size()) - 1);
        switch (pick(0, 5)) {
            case 0:
                bytes[at] = static_cast<char>(pick(0, 255));
                break;
            case 1:
                bytes.insert(at, pieces[pick(0, static_cast<int>(pieces.size()) - 1)]);
                break;
            case 2:
                bytes.remove(at, pick(1, 64));
                break;
            case 3:
                bytes.truncate(at);
                break;
            case 4:
                bytes.insert(at, QByteArray(pick(1, 400), static_cast<char>('0' + pick(0, 9))));
                break;
            default: {
                const int from = pick(0, static_cast<int>(bytes.size()) - 1);
                bytes.insert(at, bytes.mid(from, pick(1, 200)));
                break;
            }
        }
    }
    return bytes;
}

}  // namespace quorlin::test
