#include "support/LineDeliveryReport.h"

#include "base/OCRTextCleaner.h"
#include "base/TextSimilarity.h"

#include <algorithm>

namespace ovisu::test {
namespace {

double characterError(const QString& readForm, const QString& lineForm) {
    if (lineForm.isEmpty()) return readForm.isEmpty() ? 0.0 : 1.0;
    return double(levenshteinDistance(readForm, lineForm)) / double(lineForm.toUcs4().size());
}

}  // namespace

LineDeliveryReport LineDeliveryReport::compare(const QList<Line>& shown, const QList<Request>& requests,
                                               double matchLimit) {
    LineDeliveryReport report;
    QStringList forms;
    for (const Line& line : shown) {
        const QString form = OCRTextCleaner::comparisonForm(line.text);
        if (form.isEmpty()) continue;
        if (!forms.isEmpty() && forms.constLast() == form) continue;
        forms.append(form);
        Line expected = line;
        expected.received = 0;
        expected.latency = -1;
        report.lines.append(expected);
    }

    qsizetype from = 0;
    for (const Request& request : requests) {
        const QString form = OCRTextCleaner::comparisonForm(request.text);
        qsizetype best = -1;
        double bestError = matchLimit;
        for (qsizetype i = from; i < forms.size(); ++i) {
            const double error = characterError(form, forms[i]);
            if (error <= bestError) {
                best = i;
                bestError = error;
            }
        }
        if (best < 0) {
            report.junk.append(request);
            continue;
        }
        Line& line = report.lines[best];
        if (line.received++ == 0) {
            line.characterError = bestError;
            line.latency = request.sentAt - line.shownAt;
        }
        from = best;
    }
    return report;
}

int LineDeliveryReport::receivedOnce() const {
    return int(std::count_if(lines.begin(), lines.end(), [](const Line& line) { return line.received == 1; }));
}

int LineDeliveryReport::missed() const {
    return int(std::count_if(lines.begin(), lines.end(), [](const Line& line) { return line.received == 0; }));
}

int LineDeliveryReport::duplicated() const {
    return int(std::count_if(lines.begin(), lines.end(), [](const Line& line) { return line.received > 1; }));
}

double LineDeliveryReport::meanCharacterError() const {
    double sum = 0;
    int count = 0;
    for (const Line& line : lines)
        if (line.received > 0) {
            sum += line.characterError;
            ++count;
        }
    return count ? sum / count : 0;
}

double LineDeliveryReport::worstCharacterError() const {
    double worst = 0;
    for (const Line& line : lines)
        if (line.received > 0) worst = std::max(worst, line.characterError);
    return worst;
}

QList<double> LineDeliveryReport::latencies() const {
    QList<double> values;
    for (const Line& line : lines)
        if (line.received > 0) values.append(line.latency);
    return values;
}

QString LineDeliveryReport::describe() const {
    QString text;
    qsizetype nextJunk = 0;
    const auto junkUntil = [&](double time) {
        for (; nextJunk < junk.size() && junk[nextJunk].sentAt < time; ++nextJunk)
            text += QStringLiteral("    junk: %1\n").arg(junk[nextJunk].text);
    };
    for (const Line& line : lines) {
        junkUntil(line.shownAt);
        text += QStringLiteral("%1× cer %2 latency %3 s: %4\n")
                    .arg(line.received)
                    .arg(line.characterError, 0, 'f', 2)
                    .arg(line.latency, 0, 'f', 2)
                    .arg(line.text);
    }
    junkUntil(1e300);
    return text;
}

}  // namespace ovisu::test
