// Live Control Changes (drags, knobs, the tracker, undo) never go out faster than the wire
// and the processor take them. Per channel and controller the pacer keeps the latest value
// waiting and the last value sent: a value that moved a hundred times while waiting goes out
// once, a value equal to what was last sent not at all, and the last value always does.
// Channels take turns, so one busy source cannot starve another. Barriers (a whole section,
// a Program Change, a system-exclusive command) go out in order behind what waited when
// they came, each part as the same budget allows, and live values posted after a barrier
// follow it. No clock of its own: the caller passes the time, which lets a driver sleep
// while nothing waits.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class ControlChangePacer {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // A serial MIDI wire carries about 1,040 three-byte messages a second. A short burst is
    // allowed (a pad position is three controllers), charged to the same budget, so no second
    // ever holds more than kMessagesPerSecond.
    static constexpr int kMessagesPerSecond = 1040;
    static constexpr int kBurst = 8;
    static constexpr int kChannels = 16;
    static constexpr int kControllers = 128;

    struct Message {
        int channel;
        int controller;
        int value;
        friend bool operator==(const Message&, const Message&) = default;
    };
    // Puts one message on the wire; false when it did not get there (no port open, or the
    // port refused it), which leaves the value unsent, so an equal one later still goes out.
    using Send = std::function<bool(const Message&)>;

    enum class Repeat { Send, Skip }; // whether a value equal to the last one sent goes out

    // A new live value; out-of-range numbers are ignored.
    void Post(int channel, int controller, int value, Repeat repeat = Repeat::Send);
    // Sends what the budget allows at `now`. Returns when the next waiting message is due,
    // or nothing when nothing waits.
    std::optional<TimePoint> Pump(TimePoint now, const Send& send);
    // One message of a barrier: what puts it on the wire, and its length in three-byte
    // messages, which is what it costs of the budget.
    struct Part {
        int cost = 1;
        std::function<void()> send;
    };
    // Asked for a barrier's parts when its turn comes, so that a section carries the
    // values of that moment rather than those of the request.
    using Parts = std::function<std::vector<Part>()>;
    static constexpr int kAlone = -1; // the key of a barrier that absorbs nothing

    // A barrier goes out after everything waiting now, and what is posted from now on
    // waits for it, starting from nothing sent, since the barrier may set any value. A
    // barrier of the same key that has not begun yet absorbs it: false then.
    bool Barrier(int key, Parts parts);
    // Sends everything waiting at once, in the order it would have gone: the program is
    // ending, and a Send clicked just before must not be cut off.
    void Drain(const Send& send);
    // The processor's state is unknown (a new device, a returning processor): the next value
    // of every controller goes out even if it equals the last one sent.
    void ForgetSent();
    // One controller's value may have changed behind the pacer's back (a message received).
    void ForgetSent(int channel, int controller);

    bool Waiting() const { return m_waitingCount > 0 || !m_ordered.empty(); }

private:
    static constexpr int kNone = -1;
    struct Slot {
        int waiting = kNone;
        int sent = kNone;
        Repeat repeat = Repeat::Send;
    };

    // What goes out before any live value: the values that waited when a barrier came, and
    // the barriers themselves, in the order they came.
    struct Ordered {
        std::optional<Message> value;
        int key = kAlone;
        Parts parts;
        std::vector<Part> expanded;
        std::size_t next = 0;
        bool begun = false;
    };

    void Refill(TimePoint now);
    // Takes the next waiting value in channel turn, or nothing when it need not go out.
    std::optional<Message> TakeNext();
    void SendValue(const Message& message, const Send& send);
    // Sends the first ordered message if the budget allows; false when it has to wait.
    bool SendOrdered(const Send& send);
    // The tokens the next message needs: a long message waits for a full burst at most.
    double Needed() const;
    Slot& At(int channel, int controller) {
        return m_slots[static_cast<std::size_t>(channel)][static_cast<std::size_t>(controller)];
    }

    std::array<std::array<Slot, kControllers>, kChannels> m_slots{};
    // Controllers waiting on each channel, oldest first; each appears at most once.
    std::array<std::deque<std::uint8_t>, kChannels> m_queues{};
    std::deque<Ordered> m_ordered;
    int m_waitingCount = 0;
    int m_nextChannel = 0; // round-robin cursor
    double m_tokens = kBurst;
    std::optional<TimePoint> m_refilled;
};
