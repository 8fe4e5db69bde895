#pragma once
// Trays by meaning. A CUPS queue names its paper sources as its driver likes (Auto,
// AutoSelect, ManualFeed, Tray1, Tractor, Continuous, ...); the engine speaks the
// platform's tray codes (1 upper, 2 lower, 3 middle, 4 manual, 5 envelope, 6 envelope
// manual, 7 automatic, 8 tractor, 9 small format, 10 large format, 11 large capacity,
// 14 cassette). These pure functions translate between the two.

#include <QString>

#include <vector>

// One choice of a queue's InputSlot option: its keyword and its human text.
struct TInputSlot {
    QString Choice;
    QString Text;
    bool operator==(const TInputSlot &) const = default;
};

// The tray code a choice means, 0 when its names say nothing we know. The keyword is
// asked first; the text only when the keyword is silent ("1"/"Tray 1").
int TrayCodeOfInputSlot(const TInputSlot &slot);

// Index of the first choice that means trayCode, -1 when the queue offers none.
int FindInputSlot(const std::vector<TInputSlot> &choices, int trayCode);
