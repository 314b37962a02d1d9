#pragma once

#include <QList>
#include <QString>

namespace ovisu::test {

// What a realtime run delivered against what the game showed: which shown lines reached the
// translation service once, not at all or more than once, which requests matched no line (junk),
// how far each request was from its line (character error rate over comparison forms) and how
// long after the line was fully shown it was sent.
struct LineDeliveryReport {
    struct Line {
        QString text;
        double shownAt = 0;      // seconds since the epoch
        int received = 0;
        double characterError = 0;  // of the first request matched to it
        double latency = -1;        // seconds from shown to that request; -1 when never received
    };
    struct Request {
        QString text;
        double sentAt = 0;
    };

    QList<Line> lines;
    QList<Request> junk;

    // Shown lines whose comparison form is empty (only punctuation: "……") cannot be translated
    // and are not expected; the same line shown again right after itself is one line. A request
    // belongs to the nearest expected line not before the last one matched, when its character
    // error there is at most `matchLimit`; otherwise it is junk.
    static LineDeliveryReport compare(const QList<Line>& shown, const QList<Request>& requests,
                                      double matchLimit = 0.34);

    int receivedOnce() const;
    int missed() const;
    int duplicated() const;
    double meanCharacterError() const;  // over received lines
    double worstCharacterError() const;
    QList<double> latencies() const;
    QString describe() const;  // one line per shown line and per junk request (after the line shown before it)
};

}  // namespace ovisu::test
