#pragma once

// The simulated board: a pseudo-terminal that answers like the eight-channel board. It runs
// its own thread, so it keeps answering while the program's UI thread is blocked.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace quorlin::sim {

// A source of raw 16-bit readings for one channel (0x2000 is 0 V, 0x0000 -5 V, 0x3FFF 4.999 V).
struct Source {
    enum class Kind { Constant, Ramp, Sine, Noise, Script };
    Kind kind = Kind::Constant;
    uint16_t value = 0x2000;       // Constant; Ramp start; Sine/Noise centre
    int step = 1;                  // Ramp step per reading (wraps within 0x0000..0x3FFF)
    double amplitude = 0;          // Sine amplitude / Noise spread, in raw counts
    double periodReadings = 100;   // Sine period, in readings of that channel
    uint32_t seed = 1;             // Noise
    std::vector<uint16_t> script;  // Script: values in turn, repeated
    bool repeat = true;

    static Source constant(uint16_t raw);
    static Source ramp(uint16_t start, int step);
    static Source sine(uint16_t centre, double amplitude, double periodReadings);
    static Source noise(uint16_t centre, double spread, uint32_t seed);
    static Source scripted(std::vector<uint16_t> values, bool repeat = true);

    // The n-th reading (from 0) of this source. Sine and noise saturate at 0x0000..0x3FFF as
    // the converter does; constants and scripts are sent as given, so out-of-range readings
    // can be tested too. A script that does not repeat holds its last value; an empty script
    // gives `value`.
    uint16_t reading(uint64_t n) const;
};

// A fault applied to the next reply (to the next reading request of any channel).
enum class Fault {
    WrongMarker,      // first byte 0xFE instead of 0xFF
    ShortReply,       // two bytes
    LongReply,        // four bytes (the reply and a 0x00)
    SplitReply,       // three bytes in pieces: one byte, a pause, then two
    StrayByteBefore,  // one stray byte (0x00), then the reply, in one write
    NoiseBefore,      // a burst of noise bytes (setNoiseLength; never 0xFF), then the reply
    DropReply,        // no reply at all
    DelayReply,       // the reply comes after faultDelay
};

struct Timing {
    bool emulateLine = false;  // 10 bits per byte at 9600 baud: about 1.04 ms per byte
    // Conversion time before a reply: base + perSample * samples averaged.
    std::chrono::microseconds conversionBase{0};
    std::chrono::microseconds conversionPerSample{0};
};

// One byte the board received and what it did about it. It is logged once the byte has been
// handled, i.e. after its reply (if any) is on the line.
struct Exchange {
    uint8_t request = 0;                       // the byte received
    int channel = -1;                          // 0..7 for a reading request, -1 otherwise
    bool answered = false;                     // a reply (good or faulty) was sent
    bool good = false;                         // the reply was a good three-byte reply
    uint16_t raw = 0;                          // the reading sent
    std::chrono::steady_clock::time_point at;  // when the request arrived
    // When the last byte of the reply was written; left at the epoch when it was not (the
    // board stopped, or it knew of no program holding the device open).
    std::chrono::steady_clock::time_point repliedAt;
    int replyBytes = 0;  // bytes of the reply written, noise or stray bytes in front included
};

class BoardSim {
  public:
    BoardSim();
    ~BoardSim();  // stops the thread and closes the line
    BoardSim(const BoardSim&) = delete;
    BoardSim& operator=(const BoardSim&) = delete;

    // Opens the pseudo-terminal and starts answering. linkPath, when given, becomes a
    // symbolic link to the device. Returns false (and errorString()) on failure.
    bool start(const QString& linkPath = {});
    void stop();
    QString devicePath() const;  // /dev/pts/N
    bool isRunning() const;      // started and neither stopped nor closed
    QString errorString() const;

    void setSource(int channel, const Source& source);
    void setTiming(const Timing& timing);
    void injectFault(Fault fault, int count = 1);  // for the next `count` replies
    void setFaultDelay(std::chrono::milliseconds delay);
    void setSplitPause(std::chrono::milliseconds pause);  // between the pieces (5 ms)
    void setNoiseLength(int bytes);                       // of a NoiseBefore burst (50)
    // Ends the delay of a delayed reply, or the pause of a split reply, that is under way, so
    // a test can place it after something it has seen happen; set a long delay for that.
    // When none is under way, the next one is cut short.
    void releaseHeldReply();
    void clearFaults();           // drops faults not yet applied
    void setSilent(bool silent);  // stop answering (requests still logged) / resume
    void closeLine();             // the device goes away, as a pulled USB adapter
    // The device goes away (line closed, device and link removed) and comes back after
    // `away` as a new device on the same link path, as an adapter pulled and plugged in
    // again. Faults, sources and the log carry over. Stopping meanwhile cancels the return.
    void unplug(std::chrono::milliseconds away);
    bool isUnplugged() const;  // gone and due to come back
    int replugCount() const;   // returns since start

    int samplesAveraged() const;              // from the last "z" + count code (1 until set)
    std::vector<Exchange> exchanges() const;  // every request received, in order
    std::vector<std::pair<uint8_t, std::chrono::steady_clock::time_point>> received() const;
    void clearLog();
    uint64_t totalReceived() const;  // bytes received since start, whatever was cleared
    // Blocks until at least n bytes have been handled (exchanges().size() >= n, counted since
    // the last clearLog) or the timeout passes.
    bool waitForRequests(size_t n, std::chrono::milliseconds timeout) const;
    // Whether the board knows of a program holding the device open. It learns of opens and
    // closes a little after they happen; tests that close and reopen wait on this.
    bool programHasDeviceOpen() const;
    // Blocks until the board has seen the device closed by every program (or the timeout).
    bool waitForDeviceClosed(std::chrono::milliseconds timeout) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Volts the program shows for a raw reading (the board's decoding, for test expectations).
double rawToVolts(uint16_t raw);

}  // namespace quorlin::sim
