#pragma once

#include "base/OCRTextCleaner.h"
#include "base/TextSimilarity.h"
#include "capture/RecognizedLine.h"

#include <QFile>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <algorithm>

// How well whole-window recognition read a screen whose words are known: the words it found,
// those it missed, and its junk blocks (lines that are none of the words, nor a piece of one).
// Shared by the recogniser's tests and the interface benchmark.
namespace ovisu::test {

struct InterfaceScreenScore {
    QStringList found;
    QStringList missed;
    QList<RecognizedLine> junk;
    // For each found word, the line that holds it.
    QMap<QString, RecognizedLine> lineOf;
};

// The comparison form: case, spaces, punctuation and symbols do not count.
inline QString screenForm(const QString& text) {
    return OCRTextCleaner::comparisonForm(text);
}

// A word is found when a line holds it, or reads it with at most one error in four characters.
inline bool lineReadsWord(const QString& lineForm, const QString& wordForm) {
    if (lineForm.isEmpty() || wordForm.isEmpty()) return false;
    return lineForm.contains(wordForm) || similar(lineForm, wordForm, 0.75);
}

// A line is no junk when it is, holds or roughly reads one of the words, or is a piece of one
// that the detector cut off (two characters at least, so a lone stroke does not pass).
inline bool lineBelongsToWord(const QString& lineForm, const QString& wordForm) {
    if (lineReadsWord(lineForm, wordForm)) return true;
    if (lineForm.size() >= 2 && wordForm.contains(lineForm)) return true;
    return similar(lineForm, wordForm, 0.5);
}

inline InterfaceScreenScore scoreScreen(const QList<RecognizedLine>& lines, const QStringList& expected) {
    InterfaceScreenScore score;
    for (const QString& word : expected) {
        const QString wordForm = screenForm(word);
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const RecognizedLine& candidate) {
            return lineReadsWord(screenForm(candidate.text), wordForm);
        });
        if (line == lines.end()) {
            score.missed.append(word);
        } else {
            score.found.append(word);
            score.lineOf.insert(word, *line);
        }
    }
    for (const RecognizedLine& line : lines) {
        const QString lineForm = screenForm(line.text);
        const bool belongs = std::any_of(expected.begin(), expected.end(), [&](const QString& word) {
            return lineBelongsToWord(lineForm, screenForm(word));
        });
        // A line of nothing but punctuation (an empty form) is a stray mark, and junk too.
        if (!belongs) score.junk.append(line);
    }
    return score;
}

// The expected words of the screens of a corpus folder: expected.tsv, one screen a line, the PNG's
// name and then its words, separated by tabs; lines starting with # are comments.
inline QMap<QString, QStringList> expectedScreenWords(const QString& folder, QString* error = nullptr) {
    QMap<QString, QStringList> screens;
    QFile file(folder + QStringLiteral("/expected.tsv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error) *error = QStringLiteral("cannot read %1").arg(file.fileName());
        return screens;
    }
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        QStringList fields = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        const QString name = fields.takeFirst();
        screens.insert(name, fields);
    }
    return screens;
}

}  // namespace ovisu::test
