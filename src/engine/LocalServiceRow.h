#pragma once

#include <QString>

namespace ovisu {

// What the source configuration window shows for a source whose server the program runs: a
// status line and one button (start, stop, or install and start).
struct LocalServiceRow {
    QString status;
    QString buttonTitle;
    bool buttonEnabled = false;
    bool visible = false;  // only the llama-server sources have a row
    friend bool operator==(const LocalServiceRow&, const LocalServiceRow&) = default;
};

}  // namespace ovisu
