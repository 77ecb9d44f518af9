// The per-frame MIDI event queue: two banks of one slot per frame. processEvents
// files into one bank while the block processing reads the other.
#pragma once

inline constexpr int kEventBanks = 2;
inline constexpr int kEventSlots = 65536;  // one per frame of the largest block

struct EventQueue {
    int eventStatus[kEventBanks][kEventSlots] = {};  // 0 marks a free slot
    int eventData1[kEventBanks][kEventSlots] = {};
    int eventData2[kEventBanks][kEventSlots] = {};
    int eventBank = 0;  // the bank processEvents files into

    // Files an event at `frame` of the filing bank, or at the next free frame
    // after it. Returns false (the event is dropped) when the frame lies outside
    // the bank or no free slot follows it.
    bool file(int frame, int status, int data1, int data2) {
        if (frame < 0) return false;
        for (; frame < kEventSlots; ++frame) {
            if (eventStatus[eventBank][frame] == 0) {
                eventStatus[eventBank][frame] = status;
                eventData1[eventBank][frame] = data1;
                eventData2[eventBank][frame] = data2;
                return true;
            }
        }
        return false;
    }
};
